// The checks that keep a package inside its folders: UIDs that can be part of a file name,
// destinations that stay below the folders the path variables name, and the program folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tg {

// True when the UID can be part of a file name: no separator, none of : * ? " < > |, no
// control character, not "." or "..", at most 200 characters. An empty UID is valid (a random
// one is made at installation).
bool isValidPackageUid(std::string_view uid);

// The program folder: the environment variable "ProgramFiles" when set, else ~/.local/opt
// (without a trailing separator, like the variable).
std::string programFilesFolder();

// The absolute path with "." and ".." taken out and links followed as far as it exists (found
// without regard to case); empty when it cannot be formed.
std::string canonicalPath(std::string_view path);

// True when `path`, with "." and ".." taken out and links followed as far as the path exists,
// lies in or below one of the non-empty `folders`. A relative path never does.
bool isInsideFolders(std::string_view path, const std::vector<std::string>& folders);

}  // namespace tg
