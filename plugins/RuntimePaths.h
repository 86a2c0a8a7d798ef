// Where the program finds the files it brings along: the libraries of the
// model classes and the sample data. The working directory comes first, then
// the places beside the executable, whether installed under a prefix
// (bin/, lib/velmora/models/, share/velmora/) or run from its build folder.
#pragma once

#include <string>
#include <vector>

// The folder of the running executable with a trailing '/', or empty when the
// system does not say.
std::string executableDir();

// Folders that may hold class libraries, in lookup order: ./models/, then
// beside the executable in exeDir ../lib/velmora/models/ (an installed
// program) and models/ (a build folder). Only the first without exeDir.
std::vector<std::string> classFolders(const std::string& exeDir);

// The libraries tried for classWord, in order: ./models/<word>.so,
// ./<word>.so, then <word>.so in each folder beside the executable.
std::vector<std::string> classLibraryPaths(const std::string& classWord, const std::string& exeDir);

// Where a sample file is looked for, in order: ./<file>, then beside the
// executable ../share/velmora/<file> (installed) and <file> (a build folder).
std::vector<std::string> sampleFilePaths(const std::string& file, const std::string& exeDir);

// The first of the sample file's places that exists, or "./<file>" when none
// does, so that what is reported about a missing file names the working
// directory as it always has.
std::string findSampleFile(const std::string& file);
