# Run by cpack before it makes the package (CPACK_PRE_BUILD_SCRIPTS): strips the programs laid out
# for it as dh_strip does, leaving out the sections that only the build needs.
file(GLOB_RECURSE programs LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*/bin/*")
foreach(program IN LISTS programs)
  execute_process(
    COMMAND strip --strip-unneeded --remove-section=.comment --remove-section=.note "${program}"
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "strip failed for ${program}")
  endif()
endforeach()
