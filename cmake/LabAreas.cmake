# The area lists are explicit (the firmware's also fixes an order: the board
# defines fw_imagen for the areas after it), so a folder that describes a
# build and is missing from its list would be skipped in silence. Instead the
# configure step names it, with the fix. The glob is checked again at every
# build, so a new folder re-runs configure, and so the warning, by itself.
# Usage: lab_report_unlisted(BASE dir FILE name LIST_FILE file LISTED area...)
function(lab_report_unlisted)
  cmake_parse_arguments(A "" "BASE;FILE;LIST_FILE" "LISTED" ${ARGN})
  file(GLOB descripciones LIST_DIRECTORIES false RELATIVE ${A_BASE} CONFIGURE_DEPENDS
    ${A_BASE}/*/${A_FILE})
  foreach(d ${descripciones})
    get_filename_component(area ${d} DIRECTORY)
    if(NOT area IN_LIST A_LISTED)
      message(WARNING "${A_BASE}/${area} is ignored: it has a ${A_FILE}, but '${area}' is "
        "not in the area list of ${A_LIST_FILE}. Add it there to build it "
        "(./lab new does that for the labs it makes).")
    endif()
  endforeach()
endfunction()
