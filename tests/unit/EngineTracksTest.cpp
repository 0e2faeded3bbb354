// The track table is the only place a track name the engine reads is spelt:
// a literal anywhere else in src/ would bypass it (and its wiring test).
#include "sync/EngineTracks.h"

#include "TestSupport.h"

#include <fstream>
#include <map>
#include <set>
#include <sstream>

TEST(EngineTracks, EachNameIsInTheTableOnceAndNowhereElseInTheSources) {
    std::set<std::string> names;
    for (const EngineTrack& t : kEngineTracks) EXPECT_TRUE(names.insert(t.name).second) << t.name << " is in twice";

    std::map<std::string, std::vector<std::string>> spelt;  // name -> files holding it as a literal, per use
    for (const auto& entry : std::filesystem::recursive_directory_iterator(SOLVANE_SOURCE_DIR "/src")) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path());
        std::string line;
        while (std::getline(in, line)) {
            const std::string code = line.substr(0, line.find("//"));  // comments may name a track
            for (const std::string& name : names)
                for (size_t at = code.find('"' + name + '"'); at != std::string::npos;
                     at = code.find('"' + name + '"', at + 1))
                    spelt[name].push_back(entry.path().filename().string());
        }
    }
    for (const std::string& name : names) {
        std::ostringstream where;
        for (const std::string& file : spelt[name]) where << ' ' << file;
        EXPECT_EQ(where.str(), " EngineTracks.h") << '"' << name << "\" is spelt in:" << where.str();
    }
}
