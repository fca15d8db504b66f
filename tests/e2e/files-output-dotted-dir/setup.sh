mkdir sub.d
