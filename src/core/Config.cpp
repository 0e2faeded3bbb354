// Config.txt reader. An entry is "key<blanks>=<one blank>value;"; everything
// else in the file is ignored, so comments need no syntax of their own.
#include "core/Config.h"

#include "core/FileIO.h"

#include <cctype>
#include <cstdlib>
#include <regex>
#include <vector>

bool Config::read(const std::string& fileName) {
    std::vector<char> text;
    if (!FileIO::readText(fileName, text)) return false;
    parse(text.data());
    return true;
}

void Config::parse(const char* text) {
    static const std::regex entry("(\\S+?)\\s+=\\s(\\S+?);", std::regex::ECMAScript);
    std::string content(text);
    for (auto it = std::sregex_iterator(content.begin(), content.end(), entry);
         it != std::sregex_iterator(); ++it) {
        values.emplace((*it)[1].str(), (*it)[2].str());  // emplace keeps the first value
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
