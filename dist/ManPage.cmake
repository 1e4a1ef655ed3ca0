# Writes the manual page of tabulon-cli from what the program prints for --help and for each
# command's --help, so the page and the program say the same things.
# Usage: cmake -DCLI=path/to/tabulon-cli -DVERSION=1.0 -DOUTPUT=tabulon-cli.1 -P ManPage.cmake

# Text as roff shows it literally: backslashes and minus signs escaped, no line read as a request.
function(roff_text text result)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${result} "${text}" PARENT_SCOPE)
endfunction()

function(run_cli result)
  execute_process(COMMAND "${CLI}" ${ARGN} OUTPUT_VARIABLE out RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${CLI} ${ARGN} failed: ${status}")
  endif()
  set(${result} "${out}" PARENT_SCOPE)
endfunction()

run_cli(usage --help)
# The usage lines are those between the first line and the first empty line; the rest is general.
string(FIND "${usage}" "\n\n" blank)
string(SUBSTRING "${usage}" 0 ${blank} synopsis)
string(SUBSTRING "${usage}" ${blank} -1 general)
string(REGEX REPLACE "^usage: [^\n]*\n" "" synopsis "${synopsis}")
string(REGEX REPLACE "(^|\n)  ([a-z])" "\\1tabulon-cli \\2" synopsis_lines "${synopsis}")
string(STRIP "${general}" general)

set(page ".TH TABULON\\-CLI 1 \"\" \"Tabulon ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\ntabulon\\-cli \\- read, query and maintain Paradox, dBase and text tables\n")
roff_text("${synopsis_lines}" text)
string(APPEND page ".SH SYNOPSIS\n.nf\n${text}\n.fi\n")
roff_text("${general}" text)
string(APPEND page ".SH DESCRIPTION\n${text}\n.SH COMMANDS\n")

string(REGEX MATCHALL "\n  [a-z][a-z|-]*" entries "\n${synopsis}")
foreach(entry IN LISTS entries)
  string(STRIP "${entry}" names)
  string(REPLACE "|" ";" names "${names}")
  list(GET names 0 command)
  run_cli(help ${command} --help)
  string(FIND "${help}" "\n\n" blank)
  string(SUBSTRING "${help}" 0 ${blank} command_usage)
  string(SUBSTRING "${help}" ${blank} -1 description)
  string(REGEX REPLACE "^usage: tabulon-cli " "" command_usage "${command_usage}")
  string(STRIP "${description}" description)
  roff_text("${command_usage}" command_usage)
  roff_text("${description}" description)
  string(APPEND page ".PP\n.nf\n\\fB${command_usage}\\fR\n.fi\n.RS\n${description}\n.RE\n")
endforeach()

string(APPEND page ".SH SEE ALSO\n.BR tabulon (1)\n")
file(WRITE "${OUTPUT}" "${page}")
