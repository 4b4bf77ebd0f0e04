// Binds the keys of a Lua table to typed fields or setters of a native object: the object
// declares once which keys it accepts, then hands whole tables over. Keys it has not declared
// are ignored without a message.
#pragma once

#include <map>
#include <memory>

#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/variant.hpp>

#include "core/TRect.h"
#include "core/TVec.h"
#include "core/str.h"

class TLuaObjectWrapper;
class TLuaTable;
class TSound;
class TSprite;
class TTexture;

// Conversions of a Lua value to each value type (defined for TLuaObjectWrapper).
void KPropertyConvert(const TLuaObjectWrapper& value, bool& out);
void KPropertyConvert(const TLuaObjectWrapper& value, int& out);
void KPropertyConvert(const TLuaObjectWrapper& value, unsigned int& out);
void KPropertyConvert(const TLuaObjectWrapper& value, float& out);
void KPropertyConvert(const TLuaObjectWrapper& value, TVec2& out);
void KPropertyConvert(const TLuaObjectWrapper& value, TVec3& out);
void KPropertyConvert(const TLuaObjectWrapper& value, TVec4& out);
void KPropertyConvert(const TLuaObjectWrapper& value, TPoint& out);
void KPropertyConvert(const TLuaObjectWrapper& value, str& out);
void KPropertyConvert(const TLuaObjectWrapper& value, boost::shared_ptr<TTexture>& out);
void KPropertyConvert(const TLuaObjectWrapper& value, boost::shared_ptr<TSprite>& out);
void KPropertyConvert(const TLuaObjectWrapper& value, boost::shared_ptr<TSound>& out);

template <class Wrapper, class... Ts>
class KPropertyParser {
public:
  using Setter = boost::variant<boost::function<void(Ts)>...>;
  using Target = boost::variant<Ts*..., Setter>;

  KPropertyParser() = default;
  virtual ~KPropertyParser() = default;
  KPropertyParser(const KPropertyParser&) = delete;
  KPropertyParser& operator=(const KPropertyParser&) = delete;

  // A later registration under the same name replaces the earlier one.
  template <class T>
  void AddProperty(const str& name, T* field) {
    mProperties.erase(name);
    mProperties.emplace(name, Target(field));
  }
  template <class T>
  void AddSetter(const str& name, boost::function<void(T)> setter) {
    mProperties.erase(name);
    mProperties.emplace(name, Target(Setter(std::move(setter))));
  }

  void ApplyPair(const Wrapper& key, const Wrapper& value) {
    auto it = mProperties.find(key.GetString());
    if (it == mProperties.end()) return;
    Store visitor{value};
    boost::apply_visitor(visitor, it->second);
  }

  size_t GetPropertyCount() const { return mProperties.size(); }

private:
  struct Call : boost::static_visitor<void> {
    const Wrapper& value;
    explicit Call(const Wrapper& v) : value(v) {}
    template <class T>
    void operator()(const boost::function<void(T)>& f) const {
      T v{};
      KPropertyConvert(value, v);
      if (f) f(v);
    }
  };
  struct Store : boost::static_visitor<void> {
    const Wrapper& value;
    explicit Store(const Wrapper& v) : value(v) {}
    template <class T>
    void operator()(T* field) const {
      if (field) KPropertyConvert(value, *field);
    }
    void operator()(Setter& setter) const {
      Call call(value);
      boost::apply_visitor(call, setter);
    }
  };

  std::map<str, Target> mProperties;
};

using KTableParser = KPropertyParser<TLuaObjectWrapper, bool, int, unsigned int, float, TVec2,
                                     TVec3, TVec4, TPoint, str, boost::shared_ptr<TTexture>,
                                     boost::shared_ptr<TSprite>, boost::shared_ptr<TSound>>;

class QMTableParserImpl : public KTableParser {
public:
  // Null when it cannot be made.
  static std::unique_ptr<KTableParser> Create();
  // Every key and value of the table, in traversal order.
  void ApplyTable(const TLuaTable& table);
};
