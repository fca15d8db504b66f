# The name of file 1 is taken by a folder, so the file cannot be created.
mkdir out1.pcf
