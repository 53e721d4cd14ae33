// Second starts over QLocalServer/QLocalSocket: a socket only this user may reach (mode 0600,
// peer uid checked on both ends), bounded messages, and a deadline for every connection.
#include "platform/qt/QtInstanceChannel.h"

#include <sys/stat.h>

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <memory>

#include "platform/PeerUser.h"

namespace quiret {

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
      // The files are opened once the loop runs again, not in the middle of reading sockets.
      const HandOver message = reader->Message();
      QTimer::singleShot(0, this, [this, message] {
        if (received_) received_(message);
      });
    }
  });
  deadline->start(ConnectionTimeoutMs);
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
      while (socket.bytesToWrite() > 0 && left() > 0 &&
             socket.waitForBytesWritten(static_cast<int>(left()))) {
      }
      while (socket.bytesAvailable() < 1 && left() > 0 && socket.state() == QLocalSocket::ConnectedState)
        socket.waitForReadyRead(static_cast<int>(std::min<qint64>(left(), 100)));
      char answer = 0;
      if (socket.bytesAvailable() > 0 && socket.read(&answer, 1) == 1 && answer == kHandOverAck)
        return SendResult::Delivered;
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
