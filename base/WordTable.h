#pragma once
// A fixed two-way table between the words of a file or command line and the
// values of an enumeration. Every enumeration the program reads or writes as
// a word has one, built on first use and shared.

#include <initializer_list>
#include <string>
#include <utility>

#include <boost/bimap.hpp>

namespace Voxmill {

template <class E> class WordTable {
public:
    WordTable(std::initializer_list<std::pair<const char*, E>> entries) {
        for (const auto& [word, value] : entries) table_.insert(typename Table::value_type(word, value));
    }
    // False, leaving out alone, when the word is not in the table (words are case-sensitive).
    bool find(const std::string& word, E& out) const {
        const auto it = table_.left.find(word);
        if (it == table_.left.end()) return false;
        out = it->second;
        return true;
    }
    // The word of a value; nullptr for a value without one.
    const std::string* word(E value) const {
        const auto it = table_.right.find(value);
        return it == table_.right.end() ? nullptr : &it->second;
    }

private:
    using Table = boost::bimap<std::string, E>;
    Table table_;
};

} // namespace Voxmill
