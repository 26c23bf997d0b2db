#!/bin/sh
# Stand-in for the game program in host builds: it only says which version it is.
echo "Ostrevane Ver1.01"
