// Reads a saved document back for tests (header-only, never linked into the
// tool): the root element with its attributes and element children, each
// child's value taken from its first child node as the peer system reads it.
#pragma once

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tovask {

struct XmlElement {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::string text;      // the value of the first child node, when it is text or CDATA
  bool isCData = false;  // the first child node is a CDATA section
  std::vector<XmlElement> children;

  bool HasChild(const std::string& childName) const {
    for (const XmlElement& child : children) {
      if (child.name == childName) return true;
    }
    return false;
  }
  std::string ChildText(const std::string& childName) const {
    for (const XmlElement& child : children) {
      if (child.name == childName) return child.text;
    }
    return "";
  }
  std::string Attribute(const std::string& attributeName) const {
    for (const auto& [key, value] : attributes) {
      if (key == attributeName) return value;
    }
    return "";
  }
};

namespace xml_test_detail {
inline XmlElement Convert(xmlNode* node) {
  XmlElement element;
  element.name = reinterpret_cast<const char*>(node->name);
  for (xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
    xmlChar* value = xmlNodeListGetString(node->doc, attribute->children, 1);
    element.attributes.emplace_back(reinterpret_cast<const char*>(attribute->name),
                                    value ? reinterpret_cast<const char*>(value) : "");
    xmlFree(value);
  }
  if (xmlNode* first = node->children;
      first && (first->type == XML_TEXT_NODE || first->type == XML_CDATA_SECTION_NODE)) {
    element.text = first->content ? reinterpret_cast<const char*>(first->content) : "";
    element.isCData = first->type == XML_CDATA_SECTION_NODE;
  }
  for (xmlNode* child = node->children; child; child = child->next) {
    if (child->type == XML_ELEMENT_NODE) element.children.push_back(Convert(child));
  }
  return element;
}
}  // namespace xml_test_detail

// Parses the file (no network, no entities, CDATA kept as such) and returns
// its root element; throws std::runtime_error when it is not well-formed.
inline XmlElement ReadXmlFile(const std::string& path) {
  xmlDoc* document = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET);
  if (!document) throw std::runtime_error("not well-formed: " + path);
  XmlElement root = xml_test_detail::Convert(xmlDocGetRootElement(document));
  xmlFreeDoc(document);
  return root;
}

}  // namespace tovask
