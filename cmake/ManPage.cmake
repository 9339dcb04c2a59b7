# Writes the program's manual page from its own --help, so the two always say the same, and
# compresses it as Debian's tools do (the most, no time stamp). Run at build time:
#   cmake -DPROGRAM=<tarvel> -DOUT=<tarvel.1.gz> -DVERSION=<1.0.0> -DDATE=<yyyy-mm-dd>
#         -P ManPage.cmake
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help COMMAND_ERROR_IS_FATAL ANY)
# The first line names the program; the rest is shown as it is printed.
string(REGEX REPLACE "^[^\n]*\n\n" "" help "${help}")
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")

file(WRITE ${OUT}.tmp ".TH TARVEL 1 \"${DATE}\" \"Tarvel ${VERSION}\" \"User Commands\"
.SH NAME
tarvel \\- MIDI pattern tracker
.SH SYNOPSIS
.nf
${help}.fi
.SH DESCRIPTION
Tarvel programs patterns of MIDI events from the computer keyboard, places them on a 16\\-track
sequencer grid and plays the song live to MIDI outputs, the first of which is a built\\-in
General MIDI synthesizer. With no option it opens its window; the options convert and inspect
songs without one.
.SH FILES
.TP
.I /usr/share/tarvel/readme.txt
the full manual, also shown by Help (F1) in the window
.TP
.I /usr/share/tarvel/demo.trv
the demo song
.PP
Installed elsewhere, they lie in share/tarvel beside the folder of the program.
")
execute_process(COMMAND gzip -9 -n -c ${OUT}.tmp OUTPUT_FILE ${OUT} COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE ${OUT}.tmp)
