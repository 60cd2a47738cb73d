#pragma once
// What both programs are started with: [PROFILE] [FILE...]. The profile keeps
// its old rule (the first argument that is not a switch), except that a first
// argument naming an existing file is a file: the menu entry passes the photos
// the user chose in the file manager, and with no profile they come first.
// Arguments that begin with "-" are switches; one that begins with "/" is a
// switch only when it is no path (no further "/", nothing there by that name).
// "file://" addresses of this computer count as their paths.

#include <functional>
#include <string>
#include <vector>

namespace orlavo {

struct StartArguments {
    std::string profile;
    // As given, each made absolute against the working folder.
    std::vector<std::string> files;
};

// Whether something exists at an (absolute) path; a file for the first argument.
using PathTest = std::function<bool(const std::string& path)>;

// ARGV as the program got it (argv[0] skipped); relative names are taken
// against WORKING_FOLDER. IS_FILE tells whether a path names an existing file
// (not a folder), EXISTS whether anything is there.
StartArguments ParseStartArguments(const std::vector<std::string>& argv,
                                   const std::string& workingFolder, const PathTest& isFile,
                                   const PathTest& exists);

// The same against the file system and the process's working folder.
StartArguments ParseStartArguments(const std::vector<std::string>& argv);

// The path of a "file:" address of this computer ("file:///a%20b" gives
// "/a b"); empty for anything else.
std::string LocalPathOfFileUri(const std::string& uri);

}  // namespace orlavo
