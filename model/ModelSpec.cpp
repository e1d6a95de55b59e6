#include "model/ModelSpec.h"

#include <stdexcept>

#include "base/WordTable.h"

namespace Voxmill {

part_type_t validatePartType(int32_t value) {
    if (value < 0 || value > 2) throw std::runtime_error("invalid part_type_t.");
    return static_cast<part_type_t>(value);
}

namespace {

const WordTable<part_type_t>& partTypeWords() {
    static const WordTable<part_type_t> table{{"model", part_type_t::model},
                                              {"model-wall", part_type_t::modelWall},
                                              {"support-wall", part_type_t::supportWall}};
    return table;
}

const WordTable<part_format_t>& partFormatWords() {
    static const WordTable<part_format_t> table{
        {"stl", part_format_t::stl}, {"slc", part_format_t::slc}, {"zdm", part_format_t::zdm}};
    return table;
}

} // namespace

bool partTypeFromWord(const std::string& word, part_type_t& type) { return partTypeWords().find(word, type); }

bool partFormatFromWord(const std::string& word, part_format_t& format) {
    return partFormatWords().find(word, format);
}

} // namespace Voxmill
