ln -s /dev/full out1.pcf
