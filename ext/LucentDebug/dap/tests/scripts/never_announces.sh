#!/bin/sh
# Stands in for a php that starts but never sends its handshake.
sleep 30
