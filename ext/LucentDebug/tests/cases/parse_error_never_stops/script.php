<?php
echo "before\n";
include __DIR__ . "/broken.inc";
echo "after\n";
