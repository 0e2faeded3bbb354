// Config.txt reader. An entry is "key<blanks>=<one blank>value;"; everything
// else in the file is ignored, so comments need no syntax of their own. The
// scan is one pass with no recursion, so a line of any length is harmless.
#include "core/Config.h"

#include "core/FileIO.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace {
bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Past the run of non-blank characters at `p`.
const char* skipWord(const char* p) {
    while (*p && !isBlank(*p)) ++p;
    return p;
}
} // namespace

bool Config::read(const std::string& fileName) {
    std::vector<char> text;
    if (!FileIO::readText(fileName, text)) return false;
    parse(text.data());
    return true;
}

// An entry starts at the first non-blank character where this holds: the key
// runs to the next blank, blanks follow up to an '=', then exactly one blank,
// then a value of at least one non-blank character closed by the first ';'
// after its first character, with no blank before that ';'. After an entry
// the search goes on right behind its ';'; after a failed start it goes on at
// the next word, as every start inside a word fails for the same reason.
void Config::parse(const char* text) {
    const char* p = text;
    while (*p) {
        if (isBlank(*p)) {
            ++p;
            continue;
        }
        const char* keyEnd = skipWord(p);
        const char* q = keyEnd;
        while (*q && isBlank(*q)) ++q;
        bool entry = q > keyEnd && *q == '=' && isBlank(q[1]) && q[2] && !isBlank(q[2]);
        if (entry) {
            const char* valueBegin = q + 2;
            const char* v = valueBegin + 1;
            while (*v && !isBlank(*v) && *v != ';') ++v;
            if (*v == ';') {
                values.emplace(std::string(p, keyEnd), std::string(valueBegin, v));  // emplace keeps the first value
                p = v + 1;
                continue;
            }
        }
        p = keyEnd;
    }
}

std::string Config::get(const std::string& key) const {
    auto it = values.find(key);
    return it == values.end() ? std::string() : it->second;
}

int Config::getInt(const std::string& key) const {
    std::string v = get(key);
    return v.empty() ? -1 : std::atoi(v.c_str());
}

bool Config::getBool(const std::string& key) const {
    std::string v = get(key);
    for (char& c : v) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return v == "true";
}
