#include "wizard/app/WizardDoor.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDataStream>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QVariant>
#include <memory>

#include "platform/PrivateFiles.h"

namespace {

constexpr char kMagic[] = "ORLAVO-OPEN 1\n";
constexpr qsizetype kMagicSize = sizeof kMagic - 1;
// Far more than any file manager passes; a longer message is no start's.
constexpr qsizetype kMaxMessage = 4 << 20;
constexpr quint32 kMaxFiles = 100000;

// A folder of ours, for us alone; false when it is anyone else's or open.
bool PrivateFolder(const std::string& folder) {
    if (!orlavo::EnsurePrivateFolder(folder).empty())
        return false;
    struct stat st {};
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

}  // namespace

QByteArray DoorMessage(const std::vector<std::string>& files) {
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out << quint32(files.size());
    for (const std::string& f : files)
        out << QByteArray::fromStdString(f);
    QByteArray message(kMagic, kMagicSize);
    QDataStream size(&message, QIODevice::Append);
    size << quint32(body.size());
    return message + body;
}

bool ReadDoorMessage(const QByteArray& bytes, std::vector<std::string>& files) {
    if (bytes.size() < kMagicSize + 4 || !bytes.startsWith(QByteArray(kMagic, kMagicSize)))
        return false;
    QDataStream in(bytes.mid(kMagicSize));
    quint32 length = 0, count = 0;
    in >> length;
    if (qsizetype(length) != bytes.size() - kMagicSize - 4)
        return false;
    in >> count;
    if (count > kMaxFiles)
        return false;
    std::vector<std::string> read;
    for (quint32 i = 0; i < count; ++i) {
        QByteArray f;
        in >> f;
        if (in.status() != QDataStream::Ok || f.isEmpty() || f.contains('\0'))
            return false;
        read.push_back(f.toStdString());
    }
    if (!in.atEnd())
        return false;
    files = std::move(read);
    return true;
}

QString WizardDoor::SocketPath(const std::string& store, const std::string& root) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = runtime && runtime[0] == '/' ? std::string(runtime) + "/orlavo"
                                                      : "/tmp/orlavo-" + std::to_string(::getuid());
    if (!PrivateFolder(folder))
        return {};
    const QByteArray id = QCryptographicHash::hash(QByteArray::fromStdString(store + '\n' + root),
                                                   QCryptographicHash::Sha256)
                              .toHex()
                              .left(32);
    return QString::fromStdString(folder) + "/wizard-" + QString::fromLatin1(id);
}

WizardDoor::WizardDoor(QString socketPath, QObject* parent)
    : QObject(parent), path_(std::move(socketPath)) {}

WizardDoor::~WizardDoor() {
    if (server_)
        server_->close();
}

WizardDoor::Entry WizardDoor::enter(const std::vector<std::string>& files, int timeoutMs) {
    if (path_.isEmpty())
        return Entry::Alone;
    orlavo::FileLock::Result result;
    const auto lock = orlavo::FileLock::TryTake(path_.toStdString() + ".lock", result);
    // Busy: another start is deciding; it listens within moments.
    for (int i = 0; !lock && result == orlavo::FileLock::Result::Busy && i < 50; ++i) {
        ::usleep(100000);
        if (handOver(files, timeoutMs))
            return Entry::HandedOver;
    }
    if (handOver(files, timeoutMs))
        return Entry::HandedOver;
    if (!lock)
        return Entry::Alone;
    // Nobody answers: a socket there was left by a wizard that died.
    QLocalServer::removeServer(path_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(path_)) {
        delete server_;
        server_ = nullptr;
        return Entry::Alone;
    }
    connect(server_, &QLocalServer::newConnection, this, &WizardDoor::onConnection);
    return Entry::Listening;
}

bool WizardDoor::handOver(const std::vector<std::string>& files, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(path_);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(DoorMessage(files));
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The running wizard says it took them.
    QByteArray answer;
    while (answer.size() < 3 && socket.waitForReadyRead(timeoutMs))
        answer += socket.readAll();
    return answer.startsWith("OK\n");
}

void WizardDoor::onConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        socket->setParent(this);
        socket->setProperty("received", QByteArray());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A client that says nothing whole in time is let go.
        QTimer::singleShot(10000, socket, [socket] { socket->abort(); });
    }
}

void WizardDoor::onReadable(QLocalSocket* socket) {
    QByteArray received = socket->property("received").toByteArray() + socket->readAll();
    if (received.size() > kMaxMessage) {
        socket->abort();
        return;
    }
    socket->setProperty("received", received);
    std::vector<std::string> files;
    if (!ReadDoorMessage(received, files))
        return;  // not whole yet
    socket->write("OK\n");
    socket->flush();
    socket->disconnectFromServer();
    emit filesArrived(files);
}
