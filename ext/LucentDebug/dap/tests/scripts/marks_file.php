<?php
// Leaves a file behind when it runs, so a refused launch can show it never ran.
file_put_contents(getenv("LUCENTDEBUG_MARK"), "ran");
