#pragma once
// One wizard per user and profile: the first start listens on a local
// socket, and a later start hands its files (possibly none) to it, which adds
// them to its order and comes to the front; the later start then ends.
//
// The socket lives in $XDG_RUNTIME_DIR/orlavo/ (else /tmp/orlavo-<uid>/),
// a folder of the user's own with access for the user only; its name comes
// from the settings store and the profile's root. A lock beside it makes
// "ask, else listen" one step, so two starts at once agree on who listens,
// and a socket left by a killed wizard is replaced, not obeyed.
//
// Window thread only.

#include <QObject>
#include <QString>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;

class WizardDoor : public QObject {
    Q_OBJECT
public:
    enum class Entry {
        HandedOver,  // a running wizard took the files: this start ends
        Listening,   // this is the wizard now
        Alone,       // no private folder or socket to be had: run without
    };

    // The socket's path for the store file STORE and the settings root ROOT;
    // empty when no private folder can be had.
    static QString SocketPath(const std::string& store, const std::string& root);

    explicit WizardDoor(QString socketPath, QObject* parent = nullptr);
    ~WizardDoor() override;

    // Hands FILES to the wizard listening at the path, or listens there.
    Entry enter(const std::vector<std::string>& files, int timeoutMs = 5000);

signals:
    void filesArrived(const std::vector<std::string>& files);

private:
    bool handOver(const std::vector<std::string>& files, int timeoutMs);
    void onConnection();
    void onReadable(QLocalSocket* socket);

    QString path_;
    QLocalServer* server_ = nullptr;
};

// The bytes a start sends for FILES, and their reading back (false for
// bytes that are not one whole message).
QByteArray DoorMessage(const std::vector<std::string>& files);
bool ReadDoorMessage(const QByteArray& bytes, std::vector<std::string>& files);
