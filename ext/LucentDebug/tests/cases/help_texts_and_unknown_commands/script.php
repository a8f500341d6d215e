<?php
echo "ran\n";
