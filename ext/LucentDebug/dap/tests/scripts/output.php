<?php
echo "first\n";
echo "second\n";
fwrite(STDERR, "to stderr\n");
echo "third\n";
