#!/bin/sh
# Stands in for a php that ends at once, answering no check like php does.
exit 3
