# Run by CPack after it installed the package's files into its staging folder and before
# it packs them: strips the two programs as Debian's dh_strip does (symbols not needed
# for relocation, and the .comment and .note sections that name the compiler). Nothing
# else in the package is an object file, so nothing else is touched.
find_program(STRIP_PROGRAM strip REQUIRED)
file(GLOB programs "${CPACK_TEMPORARY_DIRECTORY}/usr/bin/*")
if(NOT programs)
  message(FATAL_ERROR "no programs in ${CPACK_TEMPORARY_DIRECTORY}/usr/bin")
endif()
foreach(program IN LISTS programs)
  execute_process(COMMAND ${STRIP_PROGRAM} --remove-section=.comment --remove-section=.note
                          --strip-unneeded ${program}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
