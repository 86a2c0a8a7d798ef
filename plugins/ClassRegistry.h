// The registry of model classes: plug-ins add their factories to it when the
// dynamic loader runs their load-time registration.
#pragma once

#include <map>

#include "model/AnimatedModel.h"
#include "model/ModelTypes.h"

typedef AnimatedModel* (*model_factory)(const char* name);

// Class name to factory; plug-ins register string literals of their own,
// which stay valid because no plug-in is ever unloaded.
extern std::map<char*, model_factory, cmp_str> model_classes;

// Whether a word can name a class: a class word is a name, never a path, so
// it holds no '/' and is neither "." nor "..". Only loadclass takes paths.
bool isClassWord(const char* word);

// The factory of class_word, loading "./models/<class_word>.so" and then
// "./<class_word>.so" when it is not registered yet; null when the class
// cannot be had, whatever was loaded. Nothing is loaded for a word that is
// not a class word.
model_factory findModelClass(const char* class_word);

// Loads a plug-in by the path as given. Null on success, else the loader's
// message (valid until the next loader call).
const char* loadClassLibrary(const char* file);

// Called by a factory that refuses to create its model (before returning
// null), with the whole line to show the user in place of "model not found".
void reportModelCreationFailure(const char* message);
