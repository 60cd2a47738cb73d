#include "platform/RegistryStore.h"

#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>

#include "common/SettingsTable.h"

namespace orlavo {

namespace fs = std::filesystem;

namespace {

// Long enough for the other program's write to finish, short enough that a
// stuck lock is reported instead of hanging the window.
constexpr int kBusyTimeoutMs = 10000;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS registry_values ("
    " key TEXT NOT NULL COLLATE NOCASE,"
    " name TEXT NOT NULL COLLATE NOCASE,"
    " type TEXT NOT NULL CHECK (type IN ('text', 'number')),"
    " value,"
    " PRIMARY KEY (key, name))";

std::string EnvValue(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string HomeFolder() {
    std::string home = EnvValue("HOME");
    if (!home.empty())
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
}

bool IsBusy(int rc) {
    int primary = rc & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

// Why PATH cannot be read (or written): the system's words, or empty when
// the file and its folder allow it.
std::string FileReason(const std::string& path, bool write) {
    const fs::path parent = fs::path(path).parent_path();
    const std::string folder = parent.empty() ? std::string(".") : parent.string();
    if (::access(folder.c_str(), write ? (W_OK | X_OK) : X_OK) != 0 && errno != ENOENT)
        return std::strerror(errno);
    if (::access(path.c_str(), write ? W_OK : R_OK) != 0 && errno != ENOENT)
        return std::strerror(errno);
    return {};
}

bool IsDamage(int rc) {
    int primary = rc & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return rc_ == SQLITE_OK && stmt_; }
    int rc() const { return rc_; }
    void bind(int i, std::string_view text) {
        sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    void bind(int i, std::int64_t n) { sqlite3_bind_int64(stmt_, i, n); }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step() { return rc_ = sqlite3_step(stmt_); }
    std::string text(int col) const {
        auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
        return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, col)))
                 : std::string();
    }
    int columnType(int col) const { return sqlite3_column_type(stmt_, col); }
    std::int64_t integer(int col) const { return sqlite3_column_int64(stmt_, col); }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int rc_ = SQLITE_OK;
};

// A row as stored; nothing when it is not a value this store could have written.
std::optional<StoredValue> ReadRow(const Statement& st, std::string section) {
    StoredValue v;
    v.section = std::move(section);
    v.name = st.text(0);
    std::string type = st.text(1);
    if (type == "text") {
        v.type = ValueType::Text;
        v.text = st.text(2);
        return v;
    }
    if (type == "number" && st.columnType(2) == SQLITE_INTEGER) {
        std::int64_t n = st.integer(2);
        if (n < INT32_MIN || n > INT32_MAX)
            return std::nullopt;
        v.type = ValueType::Number;
        v.number = static_cast<std::int32_t>(n);
        return v;
    }
    return std::nullopt;
}

// PATH as the file part of an SQLite URI.
std::string UriPath(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string Timestamp() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
    return buf;
}

}  // namespace

struct RegistryStore::Impl {
    Impl(const std::string& path, std::string& error, StoreProblem& problem, bool readOnly)
        : path(path), error(error), problem(problem), readOnlyAccess(readOnly) {}
    ~Impl() { close(); }

    const std::string& path;
    std::string& error;
    StoreProblem& problem;  // the first one only
    const bool readOnlyAccess;
    sqlite3* db = nullptr;
    bool hasTable = false;
    bool readOnlyView = false;  // opened to read a file that cannot be written
    // A read found the store locked past the busy time-out: further reads
    // fail at once rather than wait that long for each value; a write tries
    // again.
    std::string lockedOut;
    // Identity of the file that was opened, so that only that file is ever set aside.
    dev_t device = 0;
    ino_t inode = 0;

    enum class Open { Ready, Absent, Failed };

    void close() {
        if (db)
            sqlite3_close_v2(db);
        db = nullptr;
        hasTable = false;
        readOnlyView = false;
    }

    // SQLite's words for RC; the connection's own message is used only when
    // it is about RC (a rollback since would have reset it).
    std::string message(int rc) const {
        const char* msg = db && sqlite3_extended_errcode(db) == rc ? sqlite3_errmsg(db) : nullptr;
        return msg ? msg : sqlite3_errstr(rc);
    }

    void note(StoreFault fault, std::string reason, std::string file = {}) {
        if (problem.fault == StoreFault::None)
            problem = {fault, std::move(reason), std::move(file)};
    }

    bool exec(const char* sql, int& rc) {
        rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        return rc == SQLITE_OK;
    }

    // Reports a failed step; a damaged file is set aside. Always false.
    bool fail(int rc, std::string_view what) {
        const bool writing = what != "cannot read";
        if (IsDamage(rc) && !readOnlyView && !readOnlyAccess) {
            setAside();
        } else if (IsDamage(rc)) {
            error = "the settings store " + path + " is damaged";
            note(StoreFault::Damaged, message(rc));
            close();
        } else {
            std::string reason = message(rc);
            const int primary = rc & 0xff;
            StoreFault fault = writing ? StoreFault::Unwritable : StoreFault::Unreadable;
            if (IsBusy(rc)) {
                fault = StoreFault::Locked;
                reason = "it is locked by another program (" + reason + ")";
                if (!writing)
                    lockedOut = std::string(what) + " the settings store " + path + ": " + reason;
            } else if (primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN ||
                       primary == SQLITE_PERM || primary == SQLITE_AUTH ||
                       primary == SQLITE_IOERR) {
                // SQLite's words ("attempt to write a readonly database",
                // "unable to open database file") hide the cause.
                const std::string cause = FileReason(path, writing);
                if (!cause.empty())
                    reason = primary == SQLITE_READONLY ? "it is read-only (" + cause + ")" : cause;
                else if (primary == SQLITE_READONLY)
                    reason = "it is read-only";
            }
            error = std::string(what) + " the settings store " + path + ": " + reason;
            note(fault, reason);
            close();  // the next use starts from a fresh connection
        }
        return false;
    }

    // Connects and checks the file. SQLITE_ROW when it is a sound database;
    // otherwise the connection stays for the error message.
    int connect(bool readAsItStands) {
        int rc = SQLITE_OK;
        if (readAsItStands) {
            // No log or index can be made beside it, and nobody else can write
            // it either: read the file alone.
            rc = sqlite3_open_v2(("file:" + UriPath(path) + "?immutable=1").c_str(), &db,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        } else {
            // A reader opens the file for writing all the same, as the
            // shared index of the write-ahead log needs it, but makes none.
            rc = sqlite3_open_v2(
                path.c_str(), &db,
                readOnlyAccess ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                nullptr);
        }
        if (rc != SQLITE_OK)
            return rc;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            device = st.st_dev;
            inode = st.st_ino;
        }
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_timeout(db, kBusyTimeoutMs);

        // Reading the header tells a database from any other file; the check
        // then walks every page, which also finds a truncated file.
        {
            Statement check(db, "PRAGMA quick_check(1)");
            rc = check.ok() ? check.step() : check.rc();
            if (rc == SQLITE_ROW && check.text(0) != "ok")
                return SQLITE_CORRUPT;
        }
        if (rc != SQLITE_ROW)
            return rc;
        // The mode is kept in the file; a read-only file keeps the one it has,
        // and a reader changes nothing.
        int walRc = SQLITE_OK;
        if (!readAsItStands && !readOnlyAccess && !sqlite3_db_readonly(db, "main") &&
            !exec("PRAGMA journal_mode=WAL", walRc) && IsDamage(walRc))
            return walRc;
        readOnlyView = readAsItStands;
        return SQLITE_ROW;
    }

    // Opens the database on first use. A read of a store that does not exist
    // yet creates nothing; a write creates the folder and the file.
    Open open(bool forWrite) {
        if (forWrite && readOnlyAccess) {
            error = "the settings store " + path + " was opened for reading only";
            return Open::Failed;
        }
        if (db && readOnlyView && forWrite)
            close();
        // While the table is missing, look again each time: another program
        // may be creating the store right now.
        if (db && hasTable)
            return Open::Ready;
        if (!db) {
            std::error_code ec;
            const bool exists = fs::exists(path, ec);
            if (ec) {
                // A folder on the way that cannot be entered: the store may
                // well be there, so it is not missing.
                error = std::string(forWrite ? "cannot write" : "cannot read") +
                        " the settings store " + path + ": " + ec.message();
                note(forWrite ? StoreFault::Unwritable : StoreFault::Unreadable, ec.message());
                return Open::Failed;
            }
            if (!forWrite && !exists)
                return Open::Absent;
            fs::path parent = fs::path(path).parent_path();
            if (forWrite && !parent.empty() && !fs::is_directory(parent, ec)) {
                fs::create_directories(parent, ec);
                if (ec) {
                    error = "cannot create the folder " + parent.string() +
                            " for the settings store: " + ec.message();
                    note(StoreFault::Unwritable, ec.message());
                    return Open::Failed;
                }
            }
            int rc = connect(false);
            const int primary = rc & 0xff;
            if (!forWrite && (primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN)) {
                // For example a store in a folder that cannot be written.
                close();
                rc = connect(true);
            }
            if (rc != SQLITE_ROW) {
                fail(rc, forWrite ? "cannot write" : "cannot read");
                return Open::Failed;
            }
        }

        Statement st(
            db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'registry_values'");
        int rc = st.ok() ? st.step() : st.rc();
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            fail(rc, "cannot read");
            return Open::Failed;
        }
        hasTable = rc == SQLITE_ROW;
        if (!hasTable && forWrite) {
            if (!exec(kSchema, rc)) {
                fail(rc, "cannot write");
                return Open::Failed;
            }
            hasTable = true;
        }
        return Open::Ready;
    }

    // Renames the damaged file (and its write-ahead log) so that nothing is
    // lost and the next use starts a fresh store in its place.
    void setAside() {
        dev_t openedDevice = device;
        ino_t openedInode = inode;
        close();
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 || st.st_dev != openedDevice ||
            st.st_ino != openedInode) {
            // Another process has set it aside already.
            error = "the settings store " + path + " was damaged and has been set aside";
            note(StoreFault::SetAside, {});
            return;
        }
        std::string base = path + ".damaged-" + Timestamp();
        std::string target = base;
        std::error_code ec;
        for (int i = 1; fs::exists(target, ec) && i < 1000; ++i)
            target = base + "-" + std::to_string(i);
        if (::rename(path.c_str(), target.c_str()) != 0) {
            const std::string reason = std::strerror(errno);
            error =
                "the settings store " + path + " is damaged and could not be set aside: " + reason;
            note(StoreFault::Damaged, reason);
            return;
        }
        ::rename((path + "-wal").c_str(), (target + "-wal").c_str());
        // The shared-memory index belonged to the old file; a new one is built.
        ::unlink((path + "-shm").c_str());
        error = "the settings store " + path + " was damaged; it was set aside as " + target;
        note(StoreFault::SetAside, {}, target);
    }

    bool stillLocked() {
        if (lockedOut.empty())
            return false;
        error = lockedOut;
        return true;
    }

    std::optional<StoredValue> find(const std::string& key, std::string_view section,
                                    std::string_view name) {
        if (stillLocked() || open(false) != Open::Ready || !hasTable)
            return std::nullopt;
        Statement st(db,
                     "SELECT name, type, value FROM registry_values WHERE key = ?1 AND name = ?2");
        int rc = st.rc();
        if (st.ok()) {
            st.bind(1, key);
            st.bind(2, name);
            rc = st.step();
            if (rc == SQLITE_ROW)
                return ReadRow(st, std::string(section));
            if (rc == SQLITE_DONE)
                return std::nullopt;
        }
        fail(rc, "cannot read");
        return std::nullopt;
    }

    std::vector<StoredValue> list(const std::string& root, std::string_view section) {
        std::vector<StoredValue> out;
        if (stillLocked() || open(false) != Open::Ready || !hasTable)
            return out;
        const bool all = section.empty();
        Statement st(db, all ? "SELECT name, type, value, key FROM registry_values"
                               " WHERE key = ?1 OR (length(key) > ?2"
                               "   AND substr(key, 1, ?2) = ?1 || '\\' COLLATE NOCASE)"
                               " ORDER BY key, name"
                             : "SELECT name, type, value, key FROM registry_values"
                               " WHERE key = ?1 ORDER BY name");
        int rc = st.rc();
        if (st.ok()) {
            st.bind(1, all ? root : Key(root, section));
            if (all)
                st.bind(2, static_cast<std::int64_t>(root.size() + 1));
            while ((rc = st.step()) == SQLITE_ROW) {
                std::string sec(section);
                if (all) {
                    std::string key = st.text(3);
                    sec = key.size() > root.size() ? key.substr(root.size() + 1) : "";
                }
                if (auto v = ReadRow(st, std::move(sec)))
                    out.push_back(std::move(*v));
            }
            if (rc == SQLITE_DONE)
                return out;
        }
        out.clear();
        fail(rc, "cannot read");
        return out;
    }

    // One transaction: stores the value bound by BIND_VALUE, or deletes the
    // value when BIND_VALUE is empty.
    bool write(const std::string& key, std::string_view name,
               const std::function<void(Statement&)>& bindValue) {
        lockedOut.clear();
        if (open(true) != Open::Ready)
            return false;
        int rc = SQLITE_OK;
        if (!exec("BEGIN IMMEDIATE", rc))
            return fail(rc, "cannot write");
        {
            Statement st(db, bindValue
                                 ? "INSERT INTO registry_values (key, name, type, value)"
                                   " VALUES (?1, ?2, ?3, ?4) ON CONFLICT (key, name)"
                                   " DO UPDATE SET type = excluded.type, value = excluded.value"
                                 : "DELETE FROM registry_values WHERE key = ?1 AND name = ?2");
            rc = st.rc();
            if (st.ok()) {
                st.bind(1, key);
                st.bind(2, name);
                if (bindValue)
                    bindValue(st);
                rc = st.step();
            }
        }
        if ((rc == SQLITE_DONE || rc == SQLITE_OK) && exec("COMMIT", rc))
            return true;
        int ignored = SQLITE_OK;
        if (db && !sqlite3_get_autocommit(db))
            exec("ROLLBACK", ignored);
        return fail(rc, "cannot write");
    }

    static std::string Key(const std::string& root, std::string_view section) {
        if (section.empty())
            return root;
        std::string key = root;
        key += '\\';
        key += section;
        return key;
    }
};

std::string RegistryStore::DefaultPath() {
    std::string explicitPath = EnvValue("ORLAVO_REGISTRY");
    if (!explicitPath.empty())
        return explicitPath;
    std::string config = EnvValue("XDG_CONFIG_HOME");
    // A relative value is to be ignored.
    if (config.empty() || config[0] != '/')
        config = HomeFolder() + "/.config";
    return config + "/Vennara/registry.sqlite3";
}

RegistryStore::RegistryStore(std::string root, std::string path, StoreAccess access)
    : root_(std::move(root)),
      path_(std::move(path)),
      impl_(std::make_unique<Impl>(path_, lastError_, problem_, access == StoreAccess::ReadOnly)) {}

RegistryStore::~RegistryStore() = default;

std::optional<StoredValue> RegistryStore::find(std::string_view section, std::string_view name) {
    lastError_.clear();
    return impl_->find(Impl::Key(root_, section), section, name);
}

std::vector<StoredValue> RegistryStore::list(std::string_view section) {
    lastError_.clear();
    return impl_->list(root_, section);
}

std::string RegistryStore::getText(std::string_view section, std::string_view name) {
    const SettingSpec* spec = FindSetting(section, name);
    return getText(
        section, name,
        spec && spec->type == SettingType::Text ? spec->defaultText : std::string_view());
}

std::int32_t RegistryStore::getNumber(std::string_view section, std::string_view name) {
    const SettingSpec* spec = FindSetting(section, name);
    return getNumber(section, name,
                     spec && spec->type == SettingType::Number ? spec->defaultNumber : 0);
}

std::string RegistryStore::getText(std::string_view section, std::string_view name,
                                   std::string_view fallback) {
    auto v = find(section, name);
    return v && v->type == ValueType::Text ? v->text : std::string(fallback);
}

std::int32_t RegistryStore::getNumber(std::string_view section, std::string_view name,
                                      std::int32_t fallback) {
    auto v = find(section, name);
    return v && v->type == ValueType::Number ? v->number : fallback;
}

bool RegistryStore::setText(std::string_view section, std::string_view name,
                            std::string_view text) {
    lastError_.clear();
    return impl_->write(Impl::Key(root_, section), name, [&](Statement& st) {
        st.bind(3, std::string_view("text"));
        st.bind(4, text);
    });
}

bool RegistryStore::setNumber(std::string_view section, std::string_view name,
                              std::int32_t number) {
    lastError_.clear();
    return impl_->write(Impl::Key(root_, section), name, [&](Statement& st) {
        st.bind(3, std::string_view("number"));
        st.bind(4, static_cast<std::int64_t>(number));
    });
}

bool RegistryStore::remove(std::string_view section, std::string_view name) {
    lastError_.clear();
    // Nothing to remove from a store that does not exist; do not create one.
    std::error_code ec;
    if (!impl_->db && !fs::exists(path_, ec) && !fs::is_symlink(path_, ec))
        return true;
    return impl_->write(Impl::Key(root_, section), name, nullptr);
}

}  // namespace orlavo
