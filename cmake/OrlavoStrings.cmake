# Compiles a string table (lines "number<TAB>text") into a C++ source that
# defines FUNCTION returning the table's text; the build re-runs when it changes.
function(orlavo_compile_strings target tsv namespace function)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${tsv}")
  file(READ "${tsv}" ORLAVO_STRINGS_TEXT)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_strings.cpp")
  set(ORLAVO_NS "${namespace}")
  set(ORLAVO_FN "${function}")
  file(CONFIGURE OUTPUT "${out}" CONTENT
"// Generated from @tsv@.
#include <string_view>
namespace @ORLAVO_NS@ {
std::string_view @ORLAVO_FN@() {
    static constexpr std::string_view text = R\"orlavo_strings(@ORLAVO_STRINGS_TEXT@)orlavo_strings\";
    return text;
}
}  // namespace @ORLAVO_NS@
" @ONLY)
  target_sources(${target} PRIVATE "${out}")
endfunction()
