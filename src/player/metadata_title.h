#pragma once
// The title of a movie from its XMP metadata, read with the system's XML
// parser (XmlLite): the text of the first Dublin Core title, character
// references and CDATA sections included, in the system code page.

#include <string>

namespace fh {

// Empty when the metadata has no title or XmlLite cannot be had; text the
// code page cannot hold becomes "?".
std::string MetadataTitle(const std::string& xmlUtf8);

}  // namespace fh
