#pragma once
// A session: the owner of connections, and through them of open tables.
#include <list>
#include <string>

#include "Connection.h"

namespace tabulon {

// The session "Default" exists for the life of the process; named sessions are made by their
// callers (one per worker thread). One thread at a time uses a session and everything it owns;
// different sessions may be used by different threads at once. Destroying a session
// disconnects its connections, which closes their tables.
class Session {
public:
    static constexpr const char* kDefaultName = "Default";
    // Throws EUsageError for an empty name.
    explicit Session(std::string name);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session();

    static Session& defaultSession();
    const std::string& name() const { return name_; }

    // A new connection owned by this session. Throws EUsageError when the alias is taken.
    Connection& addConnection(const std::string& alias);
    // Null when the session has no connection of that alias.
    Connection* findConnection(const std::string& alias);
    // Disconnects and forgets it.
    void removeConnection(Connection& connection);

private:
    std::string name_;
    std::list<Connection> connections_;
};

}  // namespace tabulon
