# Writes the generated part of the demo release: two text files of about 70 KB each, so that the
# set spans three volumes without committing bulk data. Run with -DOUT=<folder>.
file(MAKE_DIRECTORY ${OUT})
foreach(name alpha beta)
  set(text "")
  foreach(i RANGE 1 1100)
    string(MD5 digest "${name}${i}")
    string(APPEND text "${name} line ${i}: ${digest} the quick brown fox jumps over the dog\n")
  endforeach()
  file(WRITE ${OUT}/${name}.txt "${text}")
endforeach()
