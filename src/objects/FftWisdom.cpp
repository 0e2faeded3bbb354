// FFTW wisdom in a file: FFTW parses and writes it; this only decides when.
#include "objects/FftWisdom.h"

#include "core/FileIO.h"

#include <fftw3.h>

#include <cstdlib>
#include <vector>

namespace FftWisdom {

const char* const kFileName = "fftw_wisdom.txt";

bool load(const std::string& path) {
    std::vector<char> text;
    if (!FileIO::readText(path, text)) return false;
    return fftwf_import_wisdom_from_string(text.data()) != 0;
}

bool save(const std::string& path) {
    char* exported = fftwf_export_wisdom_to_string();
    if (!exported) return false;
    const std::string wisdom = exported;
    std::free(exported);
    std::vector<uint8_t> stored;
    if (FileIO::readAll(path, stored) && std::string(stored.begin(), stored.end()) == wisdom) return true;
    std::string error;
    return FileIO::writeAtomically(path, std::vector<uint8_t>(wisdom.begin(), wisdom.end()), error);
}

} // namespace FftWisdom
