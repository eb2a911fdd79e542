#pragma once
// Inserting arguments into the string table's texts.
#include <initializer_list>
#include <string>
#include <string_view>

// The text of a format with one insert: the first "%s" (or "%1", the
// numbered form some texts use) becomes arg and "%%" becomes "%"; any other
// "%" sequence stays as it is.
std::string FormatMessageText(std::string_view format, std::string_view arg);

// The text of a format with several inserts: each "%s" or "%u" takes the next
// of args (a "%u" number comes already written as decimal text), "%%" becomes
// "%"; any other "%" sequence stays as it is.
std::string fillFormat(std::string_view format, std::initializer_list<std::string_view> args);
