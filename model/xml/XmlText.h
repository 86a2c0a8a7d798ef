#pragma once

// What the attribute files can carry: the names of elements and the texts of
// their attributes, limited to what every XML reader takes back as written.

// Valid UTF-8 without control characters (C0, DEL or C1).
bool isPlainText(const char* text);

// Plain text that is an XML element name as the attribute file reader reads
// one: a letter or '_' first (any non-ASCII letter XML allows), then letters,
// digits, '_', '-', '.' and ':'.
bool isXmlName(const char* text);
