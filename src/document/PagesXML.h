// A page record as "createpagesxml" makes it, before anything is added to it.
//
//     std::unique_ptr<TiXmlDocument> record = newPageRecord(3, "k3j...");
//     recordSection(*record, "links")->LinkEndChild(link);
//
// Nothing is thrown but std::bad_alloc.
#pragma once

#include <tinyxml.h>

#include <memory>
#include <string>

// <page num="N" label="" id="ID"> holding the empty sections links, videos, audios,
// flashanimations and products, in that order, after the XML declaration.
std::unique_ptr<TiXmlDocument> newPageRecord(int number, const std::string& id);

// The section of a record newPageRecord made ("links", "products", ...).
TiXmlElement* recordSection(TiXmlDocument& record, const char* name);
