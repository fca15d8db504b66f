# The name of file 1 is another name of the input file.
ln input.svf out1.pcf
