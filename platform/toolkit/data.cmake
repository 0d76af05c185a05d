# platform/toolkit, data part: number functions (with the shortest round-trip number text),
# units and data files.
#
# The units table resources/units.tbl is embedded as a byte array: the generated source is
# rewritten whenever the table changes (the table is a configure dependency, and
# file(CONFIGURE) touches the output only when its content differs).
set(parvel_units_table ${CMAKE_SOURCE_DIR}/resources/units.tbl)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${parvel_units_table})
file(READ ${parvel_units_table} parvel_units_hex HEX)
string(LENGTH "${parvel_units_hex}" parvel_units_hex_length)
math(EXPR parvel_units_size "${parvel_units_hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," parvel_units_bytes "${parvel_units_hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " parvel_units_bytes "${parvel_units_bytes}")
set(parvel_units_source ${CMAKE_CURRENT_BINARY_DIR}/units_table.cpp)
file(CONFIGURE OUTPUT ${parvel_units_source} CONTENT
"// Generated from resources/units.tbl by platform/toolkit/data.cmake; do not edit.
namespace qv::detail {
extern const unsigned char kUnitsTableText[];
extern const unsigned long kUnitsTableSize;
const unsigned char kUnitsTableText[] = {
    ${parvel_units_bytes}
    0x00};
const unsigned long kUnitsTableSize = ${parvel_units_size};
}  // namespace qv::detail
")

target_sources(parvel_platform PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/tb_numbers.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/shortest_number.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tb_units.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/read_write_files.cpp
  ${parvel_units_source})
