#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// One running program per user session: a later start hands the files it was
// given to the program already running, over a local socket only this user
// can reach, and ends. A start that gets no answer in time runs on its own,
// so that a hung or crashed first program never keeps the user out.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // A message never grows past this, however many files a start is given.
    static constexpr int maxMessageBytes = 1024 * 1024;
    static constexpr int answerTimeoutMs = 5000;

    explicit SingleInstance(QObject* parent);
    ~SingleInstance() override;

    // The socket's name for this user: the user's name and a hash of the
    // user's own folders, so that two users (or two Windows profiles of one
    // name) never reach each other's program.
    static QString serverName();
    // Hands files (possibly none: the running program comes to the front) to
    // the program running in this session; true when it took them.
    static bool handOver(const QStringList& files, int timeoutMs = answerTimeoutMs);
    // Starts taking later starts' files; false when the name cannot be held,
    // and the program then runs alone.
    bool listen();

signals:
    void filesReceived(const QStringList& files);

private:
    void receive(QLocalSocket* socket);

    QLocalServer* m_server;
};
