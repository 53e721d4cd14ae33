// The second-start channel on Qt's local sockets.
#pragma once

#include <QObject>
#include <deque>

#include "platform/InstanceChannel.h"

class QLocalServer;
class QLocalSocket;

namespace quiret {

class QtInstanceChannel : public QObject, public InstanceChannel {
  Q_OBJECT

 public:
  explicit QtInstanceChannel(QObject* parent = nullptr);
  ~QtInstanceChannel() override;

  bool Listen(const std::string& path, std::function<void(const HandOver&)> received) override;
  SendResult Send(const std::string& path, const HandOver& h, int timeoutMs) override;

  // A connection that has not delivered its whole message by then is dropped.
  int ConnectionTimeoutMs = 10000;
  // At most this many second starts are read at once; more are turned away and try again.
  int MaxConnections = 64;
  // Connections open now (for tests).
  int OpenConnections() const { return open_; }

 private:
  void Accept();
  void Serve(QLocalSocket* socket);
  void Queue(const HandOver& message);
  void HandOn();

  QLocalServer* server_ = nullptr;
  std::function<void(const HandOver&)> received_;
  int open_ = 0;
  std::deque<HandOver> queue_;  // received, not yet handed on
};

}  // namespace quiret
