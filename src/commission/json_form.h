#pragma once

#include <string>

#include "core/configuration_image.h"
#include "core/result.h"

namespace vaskiro::commission {

// The whole configuration as JSON, for people and scripts:
//
//   {
//     "format": "VASKIRO BACnet Interface", "version": 1,
//     "general":   { "dhcp": false, "ip": "192.168.0.6", "gateway": ..., "mask": ...,
//                    "port": 47808, "name": "VASKIRO", "object-id": 12345,
//                    "location": ..., "description": ..., "password": ... },
//     "inputs":    [ { "name": "Input 1", "invert": false }, ... 16 ],
//     "outputs":   [ { "name": "Output 1", "invert": false, "start": false }, ... 16 ],
//     "analogues": [ { "name": "Analogue 1", "unit": { "code": 95, "name": "No Units" },
//                      "scaling": 1, "cov": 1024 }, ... 8 ],   (or "inf", "-inf", "nan")
//     "image": "<the 1560 image bytes in hexadecimal>"
//   }
//
// Import starts from "image" (the defaults when it is absent) and applies
// every setting whose value differs from what that image holds, so an
// unedited export comes back byte for byte (reserved bytes, bytes behind a
// text's NUL and flag bytes other than 0 and 1 included), and an edited
// setting wins over the image. With "image" any setting may be left out;
// without it every one must be given. Unknown members are refused with
// their place ("analogues[0].units"); a UTF-8 byte order mark is accepted.
std::string exportJson(const core::ConfigurationImage& image);

// The configuration the JSON text describes, or what is wrong with the text
// and where: "is not valid JSON: line 3, column 7: ...", to follow the file's name.
core::Result<core::ConfigurationImage> importJson(const std::string& text);

}  // namespace vaskiro::commission
