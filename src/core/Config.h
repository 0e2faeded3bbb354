// The display settings read once from "Config.txt": a flat key/value map with
// typed reads converted on demand.
#pragma once
#include <map>
#include <string>

class Config {
public:
    // False only when the file cannot be opened. Malformed entries are skipped.
    bool read(const std::string& fileName);
    // Parses configuration text; the first value of a repeated key wins.
    void parse(const char* text);

    std::string get(const std::string& key) const;   // "" when absent
    int getInt(const std::string& key) const;        // -1 when absent, else atoi
    bool getBool(const std::string& key) const;      // exactly "true", any case
    const std::map<std::string, std::string>& entries() const { return values; }

private:
    std::map<std::string, std::string> values;
};
