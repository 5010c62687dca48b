#!/usr/bin/env bash
# The udev rules file as udev itself reads it, and its IDs against the ones
# the SDK recognises readers by.
set -euo pipefail
root=$1
rules=$root/resources/udev/70-kavex-readers.rules
ids=$root/sdk/transports/device_list_ids.h

# Every vendor and product ID the rules name is one the SDK knows.
for id in $(grep -o 'idVendor}=="[0-9a-f|]*"\|idProduct}=="[0-9a-f|]*"' "$rules" | sed 's/.*=="//; s/"//; s/|/ /g'); do
  grep -qi "0x$id" "$ids" || { echo "udev rules name $id, which device_list_ids.h does not"; exit 1; }
done

if udevadm verify --help >/dev/null 2>&1; then
  udevadm verify --resolve-names=never "$rules"
else
  echo "udevadm verify is not available here: rules syntax not checked"
  exit 77
fi
