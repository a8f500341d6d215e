<?php
// Cannot compile: a launch must refuse it before running anything.
echo "never printed"
echo "line three";
