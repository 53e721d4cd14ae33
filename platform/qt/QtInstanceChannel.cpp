// Second starts over QLocalServer/QLocalSocket: a socket only this user may reach (mode 0600,
// peer uid checked on both ends), bounded messages, and a deadline for every connection.
#include "platform/qt/QtInstanceChannel.h"

#include <sys/stat.h>

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "platform/PeerUser.h"

namespace quiret {

namespace {
// After its hello, how long the running instance may take to read the whole message.
constexpr qint64 kAfterHelloMs = 10000;
}  // namespace

QtInstanceChannel::QtInstanceChannel(QObject* parent) : QObject(parent) {}

QtInstanceChannel::~QtInstanceChannel() {
  if (server_) server_->close();  // removes the socket file
}

bool QtInstanceChannel::Listen(const std::string& path, std::function<void(const HandOver&)> received) {
  received_ = std::move(received);
  const QString name = QString::fromStdString(path);
  // A socket a killed run left behind; the lock says no live instance listens on it.
  QLocalServer::removeServer(name);
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // A burst of second starts waits in the kernel's queue rather than being refused.
  server_->setListenBacklogSize(128);
  server_->setMaxPendingConnections(128);
  if (!server_->listen(name)) {
    delete server_;
    server_ = nullptr;
    return false;
  }
  chmod(path.c_str(), 0600);  // whatever the umask and Qt's version made of it
  connect(server_, &QLocalServer::newConnection, this, &QtInstanceChannel::Accept);
  return true;
}

void QtInstanceChannel::Accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    // Another user's process never gets a word in, whatever the folder's permissions let by.
    if (open_ >= MaxConnections || !PeerIsThisUser(static_cast<int>(socket->socketDescriptor()))) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    socket->write(&kHandOverHello, 1);  // alive, and listening: the sender waits for the rest
    Serve(socket);
  }
}

void QtInstanceChannel::Serve(QLocalSocket* socket) {
  ++open_;
  auto reader = std::make_shared<HandOverReader>();
  auto* deadline = new QTimer(socket);
  deadline->setSingleShot(true);
  auto done = std::make_shared<bool>(false);
  auto finish = [this, socket, deadline, done] {
    if (*done) return;
    *done = true;
    deadline->stop();
    --open_;
    socket->deleteLater();
  };
  connect(deadline, &QTimer::timeout, socket, [socket, finish] {
    socket->abort();  // a second start that stalls is not waited for
    finish();
  });
  connect(socket, &QLocalSocket::disconnected, socket, finish);
  connect(socket, &QLocalSocket::readyRead, socket, [this, socket, reader, finish] {
    if (reader->Current() != HandOverReader::State::More) {
      socket->readAll();  // after the message: nothing more is read
      return;
    }
    HandOverReader::State state = HandOverReader::State::More;
    while (state == HandOverReader::State::More && socket->bytesAvailable() > 0)
      state = reader->Feed(socket->read(64 * 1024).toStdString());
    if (state == HandOverReader::State::Bad) {
      socket->abort();
      finish();
    } else if (state == HandOverReader::State::Done) {
      socket->write(&kHandOverAck, 1);
      socket->flush();
      socket->disconnectFromServer();
      Queue(reader->Message());
    }
  });
  deadline->start(ConnectionTimeoutMs);
}

// The files are opened from the event loop, one second start's at a time: between two, the
// loop reads and answers the other sockets, so a burst of starts is answered while the
// files of the first are still being opened.
void QtInstanceChannel::Queue(const HandOver& message) {
  queue_.push_back(message);
  if (queue_.size() == 1) QTimer::singleShot(0, this, &QtInstanceChannel::HandOn);
}

void QtInstanceChannel::HandOn() {
  if (queue_.empty()) return;
  const HandOver message = std::move(queue_.front());
  queue_.pop_front();
  if (!queue_.empty()) QTimer::singleShot(0, this, &QtInstanceChannel::HandOn);
  if (received_) received_(message);
}

InstanceChannel::SendResult QtInstanceChannel::Send(const std::string& path, const HandOver& h,
                                                    int timeoutMs) {
  const std::optional<std::string> message = EncodeHandOver(h);
  if (!message) return SendResult::TooLarge;
  const QByteArray bytes(message->data(), static_cast<qsizetype>(message->size()));
  QElapsedTimer clock;
  clock.start();
  auto left = [&] { return std::max<qint64>(0, timeoutMs - clock.elapsed()); };
  while (left() > 0) {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(path));
    if (socket.waitForConnected(static_cast<int>(left())) &&
        PeerIsThisUser(static_cast<int>(socket.socketDescriptor()))) {
      socket.write(bytes);
      // The first byte must come within the time given; once the instance has said hello,
      // it is alive and merely busy, so the whole message gets longer to be taken.
      auto next = [&](qint64 ms) {
        QElapsedTimer wait;
        wait.start();
        char c = 0;
        while (socket.bytesAvailable() < 1 && wait.elapsed() < ms &&
               socket.state() == QLocalSocket::ConnectedState)
          socket.waitForReadyRead(static_cast<int>(std::clamp<qint64>(ms - wait.elapsed(), 1, 100)));
        return socket.bytesAvailable() > 0 && socket.read(&c, 1) == 1 ? c : '\0';
      };
      if (next(left()) == kHandOverHello)
        return next(kAfterHelloMs) == kHandOverAck ? SendResult::Delivered : SendResult::NoAnswer;
    } else if (socket.state() == QLocalSocket::ConnectedState) {
      return SendResult::NoAnswer;  // another user listens there: it gets nothing
    }
    socket.abort();
    // Not listening yet, or too busy to take us: a moment, then again.
    QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left(), 50)));
  }
  return SendResult::NoAnswer;
}

}  // namespace quiret
