# Compresses one file the way Debian's tools do (gzip -9n: no name, no time stamp, so the
# same text gives the same bytes).
#
#   cmake -DINPUT=file -DOUTPUT=file.gz -DGZIP=gzip [-DPRECONV=preconv] -P compress.cmake
#
# With PRECONV, the text (a manual page in UTF-8) first has its characters beyond ASCII
# turned into groff's escapes, which every formatter reads whatever its input encoding.
if(PRECONV)
    execute_process(COMMAND ${PRECONV} -e UTF-8 INPUT_FILE ${INPUT}
        OUTPUT_VARIABLE text RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "preconv failed on ${INPUT}: ${status}")
    endif()
    # preconv names its input for the formatter's messages; the installed page has no source.
    string(REGEX REPLACE "^\\.lf [^\n]*\n" "" text "${text}")
else()
    file(READ ${INPUT} text)
endif()
string(REGEX REPLACE "\\.gz$" "" plain ${OUTPUT})
file(WRITE ${plain} "${text}")
execute_process(COMMAND ${GZIP} -9nf ${plain} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${plain}: ${status}")
endif()
