#pragma once
// What the files of the office backend that talk UNO share: the namespaces, text between UNO and
// std::string, property lists. Only the files of this folder see UNO headers: they clash with
// Qt's and X11's macros.
#include <com/sun/star/beans/PropertyValue.hpp>
#include <rtl/ustring.hxx>

#include <cstdio>
#include <initializer_list>
#include <string>

namespace platform::office {

using namespace com::sun::star;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;
using Properties = uno::Sequence<beans::PropertyValue>;

inline rtl::OUString ou(const std::string& text) {
    return rtl::OUString::fromUtf8(text.c_str());
}
inline std::string str(const rtl::OUString& text) {
    return rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8).getStr();
}

inline beans::PropertyValue prop(const char* name, const uno::Any& value) {
    beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

inline Properties properties(std::initializer_list<beans::PropertyValue> list) {
    return Properties(list.begin(), static_cast<sal_Int32>(list.size()));
}

inline std::string inQuotes(const std::string& path) {
    return "\"" + path + "\"";
}

inline std::string seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", s);
    return text;
}

}  // namespace platform::office
