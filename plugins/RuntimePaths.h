// Where the program finds the files it brings along: the libraries of the
// model classes and the sample data, beside the executable whether installed
// under a prefix (bin/, lib/velmora/models/, share/velmora/) or run from its
// build folder. Sample data looks in the working directory first; classes,
// being code, come only from folders the program or its user vouches for.
#pragma once

#include <string>
#include <vector>

// The folder of the running executable with a trailing '/', or empty when the
// system does not say.
std::string executableDir();

// Folders that may hold class libraries, each ending in '/', in lookup
// order: beside the executable in exeDir ../lib/velmora/models/ (an installed
// program) and models/ (a build folder); then each non-empty entry of
// classPath, a colon-separated list like PATH (null counts as empty); then,
// when inExeDir says the working directory is exeDir itself, ./models/ and ./
// as a build folder's program started there has always had them.
std::vector<std::string> classFolders(const std::string& exeDir, const char* classPath, bool inExeDir);

// classFolders for this process: its executable's folder, VELMORA_CLASS_PATH
// and whether the working directory is that folder (real paths compared).
std::vector<std::string> trustedClassFolders();

// Whether dir and the working directory are one folder once links are resolved.
bool isWorkingDirectory(const std::string& dir);

// The libraries tried for classWord, in order: <word>.so in each of folders.
std::vector<std::string> classLibraryPaths(const std::string& classWord, const std::vector<std::string>& folders);

// Where a sample file is looked for, in order: ./<file>, then beside the
// executable ../share/velmora/<file> (installed) and <file> (a build folder).
std::vector<std::string> sampleFilePaths(const std::string& file, const std::string& exeDir);

// The first of the sample file's places that exists, or "./<file>" when none
// does, so that what is reported about a missing file names the working
// directory as it always has.
std::string findSampleFile(const std::string& file);
