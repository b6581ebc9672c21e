# Writes a man page from a program's --help, so that the page never tells less than the program:
#   cmake -DPROGRAM=<path> -DNAME=<command> -DSUMMARY=<one line> -DVERSION=<x.y.z>
#         -DOUTPUT=<file.1> -P help_to_man.cmake
# The help's "Usage:" lines become the synopsis. The rest is the description, kept line for line
# as the help lays it out (its tables and indents would not survive filling), except that a short
# line of its own ending in ':' ("Exit status:") opens a section.
foreach(var PROGRAM NAME SUMMARY VERSION OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "help_to_man: ${var} is not set")
  endif()
endforeach()

execute_process(COMMAND "${PROGRAM}" --help
                OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help_to_man: '${PROGRAM} --help' exited with ${status}")
endif()

# roff: a backslash is written \e, a minus \-, and a line may not start with a control character.
function(roff_escape out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  if(text MATCHES "^[.']")
    set(text "\\&${text}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# One line at a time, taken off the front: a CMake list would split at ';' and keep '[...]'
# together.
macro(next_line)
  string(FIND "${help}" "\n" end)
  if(end EQUAL -1)
    set(line "${help}")
    set(help "")
  else()
    string(SUBSTRING "${help}" 0 ${end} line)
    math(EXPR end "${end} + 1")
    string(SUBSTRING "${help}" ${end} -1 help)
  endif()
endmacro()

string(TOUPPER "${NAME}" title)
roff_escape(escaped_name "${NAME}")
roff_escape(escaped_summary "${SUMMARY}")
set(page ".TH \"${title}\" \"1\" \"\" \"Orvane ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\n${escaped_name} \\- ${escaped_summary}\n")
string(APPEND page ".SH SYNOPSIS\n.nf\n")

set(in_usage TRUE)
set(previous_blank TRUE)
while(NOT help STREQUAL "")
  next_line()
  if(in_usage)
    if(line MATCHES "^Usage: +(.*)$")
      roff_escape(text "${CMAKE_MATCH_1}")
      string(APPEND page "${text}\n")
      continue()
    elseif(line MATCHES "^ +(${NAME}.*)$")
      roff_escape(text "${CMAKE_MATCH_1}")
      string(APPEND page "${text}\n")
      continue()
    endif()
    set(in_usage FALSE)
    string(APPEND page ".fi\n.SH DESCRIPTION\n.nf\n")
  endif()
  if(line STREQUAL "")
    string(APPEND page "\n")
    set(previous_blank TRUE)
    continue()
  endif()
  if(previous_blank AND line MATCHES "^([A-Z][A-Za-z]*( [A-Za-z]+)?):$")
    string(TOUPPER "${CMAKE_MATCH_1}" heading)
    string(APPEND page ".fi\n.SH ${heading}\n.nf\n")
  else()
    roff_escape(text "${line}")
    string(APPEND page "${text}\n")
  endif()
  set(previous_blank FALSE)
endwhile()
if(in_usage)
  string(APPEND page ".fi\n.SH DESCRIPTION\n.nf\n")
endif()
string(APPEND page ".fi\n")
# Blank lines are kept in no-fill mode; those around a section heading are not wanted.
string(REGEX REPLACE "\n\\.nf\n\n" "\n.nf\n" page "${page}")
string(REGEX REPLACE "\n\n\\.fi\n" "\n.fi\n" page "${page}")

file(WRITE "${OUTPUT}" "${page}")
