#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace quarlo::shell {

// The running desktop program listens on a local socket derived from the data folder; a
// second start hands its parameter over and exits.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& dataFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The socket's path for a data folder.
    static QString socketPath(const QString& dataFolder);
    // Starts listening (a stale socket left by a killed instance is removed first: only the
    // instance-lock holder calls this). False when the socket cannot be made.
    bool listen();
    // Sends the parameter to the running instance; false when none answered.
    static bool handOver(const QString& dataFolder, const QString& parameter);

signals:
    void parameterReceived(const QString& parameter);

private:
    void onNewConnection();

    QString m_path;
    QLocalServer* m_server;
};

} // namespace quarlo::shell
