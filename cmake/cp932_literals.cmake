# Writes a copy of a UTF-8 C++ source in which every character beyond ASCII is
# spelled as octal escapes of its code page 932 bytes, so that the copy means the
# same bytes to every compiler, whatever execution character sets it knows
# (clang knows only UTF-8). Run as a script:
#
#     cmake -DINPUT=messages.cpp -DOUTPUT=messages_cp932.cpp -P cp932_literals.cmake
#
# The conversion is iconv's, the one g++ uses for -fexec-charset=CP932. A
# character that code page 932 lacks stops the build instead of turning into
# something else. Octal escapes take at most three digits, so a digit that
# follows one is never read into it; escaping the second byte of every
# double-byte character too keeps one that is a backslash (0x5C, as in 表)
# from escaping what follows.
cmake_minimum_required(VERSION 3.20)

if(NOT INPUT OR NOT OUTPUT)
    message(FATAL_ERROR "cp932_literals.cmake needs -DINPUT=file and -DOUTPUT=file")
endif()

find_program(ICONV iconv REQUIRED)
get_filename_component(output_directory ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${output_directory})
set(converted "${OUTPUT}.cp932")
execute_process(
    COMMAND ${ICONV} -f UTF-8 -t CP932 ${INPUT}
    OUTPUT_FILE ${converted}
    ERROR_VARIABLE iconv_error
    RESULT_VARIABLE iconv_status)
if(NOT iconv_status EQUAL 0)
    message(FATAL_ERROR "${INPUT} does not convert to code page 932: ${iconv_error}")
endif()

file(READ ${converted} hex HEX)
file(REMOVE ${converted})
string(LENGTH "${hex}" hex_length)

# Lead bytes of double-byte characters: 0x81-0x9F and 0xE0-0xFC. A byte from
# 0xA1 to 0xDF is a half-width katakana on its own.
set(text "")
set(position 0)
set(trail FALSE)
while(position LESS hex_length)
    string(SUBSTRING "${hex}" ${position} 2 byte)
    math(EXPR position "${position} + 2")
    math(EXPR value "0x${byte}")
    if(trail OR value GREATER_EQUAL 128)
        # Three octal digits.
        math(EXPR high "${value} / 64")
        math(EXPR middle "(${value} / 8) % 8")
        math(EXPR low "${value} % 8")
        string(APPEND text "\\${high}${middle}${low}")
        if(trail)
            set(trail FALSE)
        elseif((value GREATER_EQUAL 129 AND value LESS_EQUAL 159) OR
               (value GREATER_EQUAL 224 AND value LESS_EQUAL 252))
            set(trail TRUE)
        endif()
    else()
        string(ASCII ${value} character)
        string(APPEND text "${character}")
    endif()
endwhile()

file(WRITE ${OUTPUT} "${text}")
