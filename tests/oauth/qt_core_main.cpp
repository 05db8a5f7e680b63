// Qt Network's event loops need an application object; no window is made. Qt reads the
// system's roots from folders of its own, not from OpenSSL's SSL_CERT_FILE: the test root
// (KESTREL_OAUTH=PORT,ROOT) is added to the default configuration here, as a system root
// would be to the system's.
#include <QCoreApplication>
#include <QSslConfiguration>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication qt(argc, argv);
    const QString setting = qEnvironmentVariable("KESTREL_OAUTH");
    if (setting.contains(',')) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(setting.section(',', 1));
        QSslConfiguration::setDefaultConfiguration(tls);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
