#pragma once

#include <QString>

class CElement;

// Writes a markup tree in a compact notation for comparisons in tests:
//   element   name[start tag](children)[end tag]   (parts left out when empty)
//   text node "text"
// Children are separated by spaces; a child whose parent() is not the node
// that lists it is marked with "!". The node given is not itself written.
QString dumpChildren(const CElement* node);
QString dumpNode(const CElement* node);
