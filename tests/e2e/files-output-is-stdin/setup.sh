# Standard input is read from a file that file 1 would overwrite.
ln stdin out1.pcf
