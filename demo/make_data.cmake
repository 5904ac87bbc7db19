# Writes the generated part of the demo release, so that no bulk data is committed: two text
# files of about 70 KB each and a 3 MB table, which spread the stored set over three volumes
# of a 1.44 MB disk. Run with -DOUT=<folder>.
file(MAKE_DIRECTORY ${OUT})
foreach(name alpha beta)
  set(text "")
  foreach(i RANGE 1 1100)
    string(MD5 digest "${name}${i}")
    string(APPEND text "${name} line ${i}: ${digest} the quick brown fox jumps over the dog\n")
  endforeach()
  file(WRITE ${OUT}/${name}.txt "${text}")
endforeach()

# 48 blocks of 1000 records; each block's records differ, so no two volumes look alike.
set(table "")
foreach(block RANGE 1 48)
  set(records "")
  foreach(i RANGE 1 1000)
    string(SHA1 digest "gamma${block}.${i}")
    string(APPEND records "${digest}${digest}\n")
  endforeach()
  string(APPEND table "${records}")
endforeach()
file(WRITE ${OUT}/gamma.tab "${table}")
