<?php
function never() {
  return 1;
}
