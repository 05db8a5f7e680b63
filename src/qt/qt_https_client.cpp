#include "qt/qt_https_client.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace kestrel {

HttpsReply QtHttpsClient::PostForm(const std::string& url, const std::string& form, int limitMs) {
    const QUrl target(QString::fromStdString(url));
    if (target.scheme() != "https")
        return {false, 0, "", "not an https address: " + url};
    QNetworkAccessManager manager;
    QNetworkRequest request(target);
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply* reply = manager.post(request, QByteArray::fromStdString(form));
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    bool late = false;
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        late = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    limit.start(limitMs);
    if (!reply->isFinished())
        loop.exec();
    HttpsReply answer;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && !late) {
        answer.reached = true;
        answer.status = status.toInt();
        answer.body = reply->readAll().toStdString();
    } else {
        answer.failure = late ? "no answer within " + std::to_string(limitMs / 1000) + " s"
                              : reply->errorString().toStdString();
    }
    delete reply;
    return answer;
}

} // namespace kestrel
