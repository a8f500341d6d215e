<?php
// Runs until it is killed.
while (true) {
    usleep(1000);
}
