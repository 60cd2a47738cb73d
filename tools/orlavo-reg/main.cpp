// orlavo-reg: reads and writes the settings store, as an installer or an
// administrator would. See Usage() for the commands and exit codes.

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "common/RegistryRoot.h"
#include "common/SettingsTable.h"
#include "platform/RegistryStore.h"

namespace {

using orlavo::RegistryStore;
using orlavo::SettingSpec;
using orlavo::SettingType;
using orlavo::StoredValue;
using orlavo::ValueType;

// Exit codes; documented in Usage().
enum Exit : int {
    kOk = 0,
    kMissing = 1,
    kUsage = 2,
    kBadNumber = 3,
    kStoreFailed = 4,
    kWrongType = 5,
};

constexpr const char* kUsageText =
    R"(Usage: orlavo-reg [--profile P] [--program NAME] COMMAND [ARGUMENTS]

Reads and writes Orlavo's settings store (the file named by ORLAVO_REGISTRY,
else $XDG_CONFIG_HOME/Vennara/registry.sqlite3, else
~/.config/Vennara/registry.sqlite3).

Commands:
  get SECTION VALUE            print a value (text as stored, numbers in decimal)
  set SECTION VALUE TEXT       store a text value
  set-number SECTION VALUE N   store a 32-bit number (-2147483648 to 2147483647)
  list [SECTION]               print the values of one section, or of all,
                               one a line: SECTION<TAB>VALUE<TAB>text|number<TAB>DATA
                               (backslash, tab and line break in DATA written as
                               \\, \t and \n)
  delete SECTION VALUE         remove a value

Options (before the command):
  --profile P      use the profile P: key Software\Vennara\P\OrlavoW
  --program NAME   program whose key is used without a profile (default OrlavoW):
                   key Software\Vennara\NAME
  --help           show this text

A value that is not stored is missing: "get" then prints nothing on standard
output and names on standard error the default the programs read instead.
Values the programs know have a fixed type: "set" refuses a number value and
"set-number" a text value.

Exit codes:
  0  success
  1  the value is missing (get, delete)
  2  bad usage (unknown command or option, wrong number of arguments)
  3  bad number (not a 32-bit integer)
  4  the settings store cannot be read or written
  5  wrong type: the value is known to hold the other type
)";

int UsageError(const std::string& message) {
    std::cerr << "orlavo-reg: " << message << "\nTry 'orlavo-reg --help'.\n";
    return kUsage;
}

int StoreError(const RegistryStore& store, std::string_view doing) {
    std::cerr << "orlavo-reg: "
              << (store.lastError().empty()
                      ? "cannot " + std::string(doing) + " the settings store " + store.path()
                      : store.lastError())
              << "\n";
    return kStoreFailed;
}

std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string Describe(const SettingSpec& spec) {
    if (spec.type == SettingType::Number)
        return std::to_string(spec.defaultNumber);
    return spec.defaultText.empty() ? "an empty text" : "\"" + std::string(spec.defaultText) + "\"";
}

// The whole argument as a signed 32-bit decimal number; an optional "+" or "-".
bool ParseNumber(std::string_view text, std::int32_t& out) {
    if (!text.empty() && text[0] == '+')
        text.remove_prefix(1);
    if (text.empty() || text[0] == '+')
        return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

std::string ValueName(const std::string& root, std::string_view section, std::string_view name) {
    return "value " + std::string(name) + " of " + root + "\\" + std::string(section);
}

int Get(RegistryStore& store, const std::string& section, const std::string& name) {
    auto value = store.find(section, name);
    if (!value) {
        if (!store.lastError().empty())
            return StoreError(store, "read");
        const SettingSpec* spec = orlavo::FindSetting(section, name);
        std::cerr << "orlavo-reg: " << ValueName(store.root(), section, name) << " is missing";
        if (spec)
            std::cerr << "; the programs read its default, " << Describe(*spec);
        std::cerr << "\n";
        return kMissing;
    }
    if (value->type == ValueType::Text)
        std::cout << value->text << "\n";
    else
        std::cout << value->number << "\n";
    const SettingSpec* spec = orlavo::FindSetting(section, name);
    bool stoodAsNumber = value->type == ValueType::Number;
    if (spec && stoodAsNumber != (spec->type == SettingType::Number))
        std::cerr << "orlavo-reg: note: stored as " << (stoodAsNumber ? "a number" : "text")
                  << " but the programs read it as " << (stoodAsNumber ? "text" : "a number")
                  << ", so they see its default, " << Describe(*spec) << "\n";
    return kOk;
}

int List(RegistryStore& store, const std::string& section) {
    auto values = store.list(section);
    if (!store.lastError().empty())
        return StoreError(store, "read");
    for (const StoredValue& v : values) {
        std::cout << v.section << "\t" << v.name << "\t";
        if (v.type == ValueType::Text)
            std::cout << "text\t" << Escaped(v.text) << "\n";
        else
            std::cout << "number\t" << v.number << "\n";
    }
    return kOk;
}

int CheckType(const std::string& root, const std::string& section, const std::string& name,
              SettingType wanted) {
    const SettingSpec* spec = orlavo::FindSetting(section, name);
    if (!spec || spec->type == wanted)
        return kOk;
    std::cerr << "orlavo-reg: " << ValueName(root, section, name) << " holds "
              << (spec->type == SettingType::Number ? "a number; use set-number" : "text; use set")
              << "\n";
    return kWrongType;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string profile;
    std::string program = "OrlavoW";
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::cout << kUsageText;
            return kOk;
        }
        std::string* target = nullptr;
        std::string option;
        if (a == "--profile" || a.rfind("--profile=", 0) == 0) {
            target = &profile;
            option = "--profile";
        } else if (a == "--program" || a.rfind("--program=", 0) == 0) {
            target = &program;
            option = "--program";
        } else if (!a.empty() && a[0] == '-') {
            return UsageError("unknown option '" + a + "'");
        } else {
            break;  // the command
        }
        if (a.size() > option.size()) {
            *target = a.substr(option.size() + 1);
        } else {
            if (i + 1 >= args.size())
                return UsageError(option + " needs a value");
            *target = args[++i];
        }
    }
    if (program.empty())
        return UsageError("--program needs a non-empty name");
    if (i >= args.size())
        return UsageError("no command given");

    const std::string command = args[i];
    const std::vector<std::string> rest(args.begin() + static_cast<long>(i) + 1, args.end());
    auto expect = [&](std::size_t n, const char* form) -> bool {
        if (rest.size() == n)
            return true;
        UsageError("'" + command + "' takes " + form);
        return false;
    };

    RegistryStore store(orlavo::RegistryRoot(profile, program));
    if (command == "get") {
        if (!expect(2, "SECTION VALUE"))
            return kUsage;
        return Get(store, rest[0], rest[1]);
    }
    if (command == "set") {
        if (!expect(3, "SECTION VALUE TEXT"))
            return kUsage;
        if (int rc = CheckType(store.root(), rest[0], rest[1], SettingType::Text))
            return rc;
        return store.setText(rest[0], rest[1], rest[2]) ? kOk : StoreError(store, "write");
    }
    if (command == "set-number") {
        if (!expect(3, "SECTION VALUE N"))
            return kUsage;
        std::int32_t n = 0;
        if (!ParseNumber(rest[2], n)) {
            std::cerr << "orlavo-reg: '" << rest[2]
                      << "' is not a 32-bit integer (-2147483648 to 2147483647)\n";
            return kBadNumber;
        }
        if (int rc = CheckType(store.root(), rest[0], rest[1], SettingType::Number))
            return rc;
        return store.setNumber(rest[0], rest[1], n) ? kOk : StoreError(store, "write");
    }
    if (command == "list") {
        if (rest.size() > 1)
            return UsageError("'list' takes at most one SECTION");
        return List(store, rest.empty() ? std::string() : rest[0]);
    }
    if (command == "delete") {
        if (!expect(2, "SECTION VALUE"))
            return kUsage;
        auto value = store.find(rest[0], rest[1]);
        if (!value) {
            if (!store.lastError().empty())
                return StoreError(store, "read");
            std::cerr << "orlavo-reg: " << ValueName(store.root(), rest[0], rest[1])
                      << " is missing; nothing to delete\n";
            return kMissing;
        }
        return store.remove(rest[0], rest[1]) ? kOk : StoreError(store, "write");
    }
    return UsageError("unknown command '" + command + "'");
}
