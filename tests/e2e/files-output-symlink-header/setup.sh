# The name of file 1 is a symbolic link to the header file.
ln -s header.txt board1.pcf
