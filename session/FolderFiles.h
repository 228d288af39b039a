// FolderFiles: the files beside a file, for going through a folder one model at a time.
#pragma once

#include <functional>
#include <string>

namespace kalderino {

// The file step places after path (-1: before it) among the files of path's folder that shown
// says the viewer shows, in the byte order of their names, going round from the last to the
// first. Hidden files (".name") and what is not a regular file are passed over; path need not
// be there itself. Returns the path of that file, in the same folder as path is named, or path
// itself when the folder holds no other such file; "" with the reason in error when the folder
// cannot be read.
std::string fileBeside(const std::string& path, int step,
                       const std::function<bool(const std::string&)>& shown, std::string& error);

}  // namespace kalderino
