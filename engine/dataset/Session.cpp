#include "Session.h"

#include "../core/EngineError.h"

namespace tabulon {

Session::Session(std::string name) : name_(std::move(name)) {
    if (name_.empty()) throw EngineError(errkind::kUsage, "A session needs a name");
}

// Each connection disconnects as it is destroyed, which never throws.
Session::~Session() = default;

Session& Session::defaultSession() {
    static Session session(kDefaultName);
    return session;
}

Connection& Session::addConnection(const std::string& alias) {
    if (findConnection(alias) != nullptr)
        throw EngineError(errkind::kUsage, "Session '" + name_ + "' already has a connection '" + alias + "'");
    return connections_.emplace_back(*this, alias);
}

Connection* Session::findConnection(const std::string& alias) {
    for (Connection& c : connections_)
        if (c.alias() == alias) return &c;
    return nullptr;
}

void Session::removeConnection(Connection& connection) {
    connection.disconnect();
    connections_.remove_if([&](const Connection& c) { return &c == &connection; });
}

}  // namespace tabulon
