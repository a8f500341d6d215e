<?php
// Reports to standard error how often its error and exception handlers ran.
$log = [];
set_error_handler(function ($number, $message) use (&$log) {
    $log[] = "outer: " . $message;
    return true;
});
set_error_handler(function ($number, $message) use (&$log) {
    $log[] = $message;
    return true;
});
set_exception_handler(function ($exception) use (&$log) {
    fwrite(STDERR, "uncaught: " . $exception->getMessage() . ", log " . count($log) . "\n");
});
$arr = ['k' => 1];
$o = new stdClass();
$s = "text";
$stop = 1;
fwrite(STDERR, "log after stop: " . count($log) . "\n");
echo $undefinedAfterStop;
restore_error_handler();
echo $undefinedAfterRestore;
fwrite(STDERR, "log at end: " . count($log) . " " . implode(" | ", $log) . "\n");
throw new Exception("end");
