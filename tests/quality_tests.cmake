# soak and accessibility tests of the window
