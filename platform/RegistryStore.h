#pragma once
// The settings store: one SQLite database per user standing in for the
// current user's registry. Keys keep their registry paths
// ("Software\Vennara\[P\]OrlavoW"), sections are subkeys, and values keep
// their type (text, or 32-bit number).
//
// Safe to use from two processes at once (WAL, busy time-out); every write is
// a transaction. A damaged or unreadable database never stops the program:
// reads give the defaults, writes report failure, and a damaged file is set
// aside under a new name ("registry.sqlite3.damaged-<date>-<time>") rather
// than overwritten, unless the store was opened for reading only. Names of keys and values compare
// without regard to case, as in the registry; the case first written is kept.
//
// One RegistryStore is used from one thread at a time.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace orlavo {

enum class ValueType { Text, Number };

// What went wrong with the store, for a program to say in its own words.
enum class StoreFault {
    None,
    Locked,      // another program held it past the busy time-out
    Damaged,     // not a sound database; left where it is
    SetAside,    // was damaged and has been renamed (StoreProblem::file)
    Unreadable,  // cannot be opened or read (StoreProblem::reason)
    Unwritable,  // read-only file, folder or file system (StoreProblem::reason)
};

struct StoreProblem {
    StoreFault fault = StoreFault::None;
    std::string reason;  // the system's or SQLite's words, for example "Permission denied"
    std::string file;    // where a damaged store was set aside
};

// Whether a store may be written. A reader never creates, writes or renames
// the file, not even a damaged one.
enum class StoreAccess { ReadWrite, ReadOnly };

struct StoredValue {
    std::string section;
    std::string name;
    ValueType type = ValueType::Text;
    std::string text;         // when Text
    std::int32_t number = 0;  // when Number
};

class RegistryStore {
public:
    // $ORLAVO_REGISTRY, else $XDG_CONFIG_HOME/Vennara/registry.sqlite3
    // (XDG_CONFIG_HOME defaulting to ~/.config).
    static std::string DefaultPath();

    // ROOT is the key path below the current user, for example
    // RegistryRoot(profile, "OrlavoW"). The database is opened lazily.
    explicit RegistryStore(std::string root, std::string path = DefaultPath(),
                           StoreAccess access = StoreAccess::ReadWrite);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    const std::string& root() const { return root_; }
    const std::string& path() const { return path_; }

    // A missing value, or one of the other type, reads as the table's default
    // for SECTION/NAME (empty text or 0 for names the table does not know).
    std::string getText(std::string_view section, std::string_view name);
    std::int32_t getNumber(std::string_view section, std::string_view name);
    std::string getText(std::string_view section, std::string_view name, std::string_view fallback);
    std::int32_t getNumber(std::string_view section, std::string_view name, std::int32_t fallback);

    // The stored value itself, or nothing when it is missing.
    std::optional<StoredValue> find(std::string_view section, std::string_view name);
    // Every stored value of SECTION (all sections when empty), sorted by section and name.
    std::vector<StoredValue> list(std::string_view section = {});

    // Writes create keys as needed; false when the store cannot be written,
    // with the reason in lastError().
    bool setText(std::string_view section, std::string_view name, std::string_view text);
    bool setNumber(std::string_view section, std::string_view name, std::int32_t number);
    // True when the value is gone afterwards (also when it never existed).
    bool remove(std::string_view section, std::string_view name);

    // Why the last operation failed: empty after a success. A read that gave
    // a default because the store could not be read sets it too, as does the
    // operation that found the file damaged and set it aside; the next one
    // then starts a fresh store.
    const std::string& lastError() const { return lastError_; }

    // A read that finds the store locked past the busy time-out makes the
    // further reads fail at once, until a write tries again.
    //
    // The first problem met since the store was made: a program that reads
    // several values checks once, after reading them.
    const StoreProblem& problem() const { return problem_; }

private:
    struct Impl;
    std::string root_;
    std::string path_;
    std::string lastError_;
    StoreProblem problem_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace orlavo
