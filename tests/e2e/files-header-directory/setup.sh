mkdir hdir
