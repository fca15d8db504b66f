mkdir indir
