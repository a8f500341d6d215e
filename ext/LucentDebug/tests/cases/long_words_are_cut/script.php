<?php
echo "end\n";
