// Qt Network's event loops need an application object; no window is made. Qt reads the
// system's roots from its own list of folders, not OpenSSL's SSL_CERT_FILE: the test root is
// added to the default configuration here, as a system root would be to the system's.
#include <QCoreApplication>
#include <QSslConfiguration>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication qt(argc, argv);
    if (!qEnvironmentVariableIsEmpty("SSL_CERT_FILE")) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(qEnvironmentVariable("SSL_CERT_FILE"));
        QSslConfiguration::setDefaultConfiguration(tls);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
