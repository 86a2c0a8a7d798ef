// Every model class there is to choose from: those registered and those whose
// libraries lie in the folders classes are looked up in, not yet loaded.
#pragma once

#include <string>
#include <vector>

class ClassCatalog {
public:
    struct Entry {
        std::string name;
        bool loaded;  // registered: its library has run its registration
    };

    // The registered classes and the class word of each "<word>.so" that is
    // a regular file in folders, once each, in strcmp order.
    static std::vector<Entry> list(const std::vector<std::string>& folders);
    // list over trustedClassFolders().
    static std::vector<Entry> available();
    // An entry as the console shows it: its name, with " (loaded)" after a registered one.
    static std::string shown(const Entry& entry);
    // Every available class shown, separated by ", "; "none" when there is none.
    static std::string choices();
};
