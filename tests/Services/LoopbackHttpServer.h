#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QTcpServer>
#include <functional>

class QTcpSocket;

// A tiny HTTP/1.1 server on 127.0.0.1 for the network tests: records each request and answers it
// as the test scripts, one response per request, closing the connection after each.
class LoopbackHttpServer : public QObject {
    Q_OBJECT

public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };
    struct Response {
        enum class Mode { respond, hang, partialThenHang };
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        Mode mode = Mode::respond;
        bool withContentLength = true;
    };
    using Responder = std::function<Response(const Request&)>;

    explicit LoopbackHttpServer(QObject* parent = nullptr);
    ~LoopbackHttpServer() override;

    // Port 0 picks a free one.
    bool listen(quint16 port = 0);
    void close();
    quint16 port() const { return m_port; }
    QString authority() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

    void setResponder(Responder responder) { m_responder = std::move(responder); }
    void respondWith(const Response& response)
    {
        m_responder = [response](const Request&) { return response; };
    }

    const QList<Request>& requests() const { return m_requests; }
    // Runs the event loop until `count` requests have arrived in total.
    bool waitForRequests(qsizetype count, int timeoutMs = 5000);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);

    QTcpServer m_server;
    quint16 m_port = 0;
    Responder m_responder;
    QList<Request> m_requests;
    QMap<QTcpSocket*, QByteArray> m_buffers;
};
