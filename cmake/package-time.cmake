# Read by cpack before it packs: every file of the .deb takes the source's time, not the build's,
# so the same source makes the same .deb (scripts/lib/source-date-epoch says which time that is).
execute_process(COMMAND ${CPACK_ZORVANEL_SOURCE_DATE_EPOCH} OUTPUT_VARIABLE epoch
    OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "cannot tell the time of the source: ${CPACK_ZORVANEL_SOURCE_DATE_EPOCH}")
endif()
set(ENV{SOURCE_DATE_EPOCH} ${epoch})
