# Runs korvane-dump on data/sample.kvn in every format, from a file and from
# standard input, and compares what it prints byte for byte with the output
# kept beside the sample. The sample holds every byte value, carriage
# returns, line feeds and 0x1a, which a text-mode stream would change.
#   cmake -DDUMP=<program> -DRUNNER=<command before it, "|" between words>
#         -DDATA=<data folder> -DWORK=<scratch folder> -P dump_matches_expected.cmake
string(REPLACE "|" ";" runner "${RUNNER}")
file(MAKE_DIRECTORY ${WORK})

# check(<expected file> <stdin: "file" or "stdin"> <option>...)
function(check expected input)
  set(out ${WORK}/${expected})
  string(JOIN " " options ${ARGN})
  if(input STREQUAL "stdin")
    execute_process(COMMAND ${runner} ${DUMP} ${ARGN}
      INPUT_FILE ${DATA}/sample.kvn OUTPUT_FILE ${out} ERROR_VARIABLE errors
      RESULT_VARIABLE status)
  else()
    execute_process(COMMAND ${runner} ${DUMP} ${ARGN} ${DATA}/sample.kvn
      OUTPUT_FILE ${out} ERROR_VARIABLE errors RESULT_VARIABLE status)
  endif()
  if(NOT status STREQUAL "0")
    message(SEND_ERROR "korvane-dump ${options} (${input}) ended with ${status}: ${errors}")
    return()
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${out} ${DATA}/${expected}
    RESULT_VARIABLE differs)
  if(differs)
    file(READ ${out} got HEX)
    message(SEND_ERROR "korvane-dump ${options} (${input}) printed other bytes than "
                       "${DATA}/${expected}:\n${got}")
  endif()
endfunction()

check(sample.txt file)
check(sample.csv file --format csv)
check(sample.jsonl file --format jsonl)
check(sample.txt stdin)
check(sample-a.raw stdin --raw --port A)
check(sample-b.raw stdin --raw --port B)

# The pcap export, to standard output and to a file, is the same bytes on
# every system, and the analyser reads it where it is installed.
check(sample.pcap stdin --format pcap --output - --poll-ms 10 --start 2026-12-08T12:00:00Z)
file(REMOVE ${WORK}/sample-file.pcap)
execute_process(COMMAND ${runner} ${DUMP} --format pcap --output ${WORK}/sample-file.pcap
  --poll-ms 10 --start 2026-12-08T12:00:00Z ${DATA}/sample.kvn
  ERROR_VARIABLE errors RESULT_VARIABLE status)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/sample-file.pcap
  ${DATA}/sample.pcap RESULT_VARIABLE differs)
if(NOT status STREQUAL "0" OR differs)
  message(SEND_ERROR "korvane-dump --format pcap --output FILE ended with ${status} (${errors}) "
                     "or wrote other bytes than ${DATA}/sample.pcap")
endif()
find_program(TSHARK tshark)
if(TSHARK)
  execute_process(COMMAND ${TSHARK} -r ${WORK}/sample-file.pcap -T fields -e rtacser.eventtype
    OUTPUT_VARIABLE packets RESULT_VARIABLE status ERROR_QUIET)
  string(REGEX MATCHALL "0x0[12]" data_packets "${packets}")
  list(LENGTH data_packets count)
  if(NOT status STREQUAL "0" OR NOT count EQUAL 20)
    message(SEND_ERROR "tshark read ${count} data packets of 20 (status ${status})")
  endif()
else()
  message(STATUS "tshark is not installed: the pcap file is checked by its bytes alone")
endif()
