// The registry of model classes: plug-ins add their factories to it when the
// dynamic loader runs their load-time registration.
#pragma once

#include <map>
#include <string>

#include "model/AnimatedModel.h"
#include "model/ModelTypes.h"

typedef AnimatedModel* (*model_factory)(const char* name);

// Class name to factory; plug-ins register string literals of their own,
// which stay valid because no plug-in is ever unloaded.
extern std::map<char*, model_factory, cmp_str> model_classes;

// Whether a word can name a class: a class word is a name, never a path, so
// it holds no '/' and is neither "." nor "..". Only loadclass takes paths.
bool isClassWord(const char* word);

// The factory of class_word, loading the first library of classLibraryPaths
// in trustedClassFolders that loads when it is not registered yet; null when the class cannot be
// had, whatever was loaded. Nothing is loaded for a word that is not a class
// word or is longer than 115 characters.
model_factory findModelClass(const char* class_word);
// The same, saying in reason why a class cannot be had: the loader's message
// for the first library tried that exists, else for the last path tried, or
// that a library loaded but registered no such class.
model_factory findModelClass(const char* class_word, std::string& reason);

// Called by a factory that refuses to make its model (a missing or damaged
// file, say) before it returns null: the console prints message, with a
// newline added when it has none, instead of saying the class was not found.
void reportModelCreationFailure(const char* message);
// The message reported since the last call, or empty when none was; either
// way nothing is kept afterwards.
std::string takeModelCreationFailure();

// Loads a plug-in by the path as given. Null on success, else the loader's
// message, or "<file>: not a regular file but a FIFO" (a directory, ...) for
// a path that is there but no regular file, which is never opened to load;
// valid until the next call.
const char* loadClassLibrary(const char* file);
