<?php
var_dump(ludbg_break("127.0.0.1", 1));
echo "end\n";
