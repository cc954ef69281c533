#pragma once
// The statement query of the report handler: statement text with :name
// parameters, opened for one integer field or executed.

#include <memory>
#include <string>
#include <string_view>

namespace vantrel::store {

class TADOConnection;

class TADOQuery2 {
  public:
    explicit TADOQuery2(TADOConnection& connection);
    ~TADOQuery2();
    TADOQuery2(const TADOQuery2&) = delete;
    TADOQuery2& operator=(const TADOQuery2&) = delete;

    // Closes the dataset when open, then takes the text as its statement.
    // Parameters are the names after ':' outside quoted literals; "::" is ':'.
    void SetSQL(std::string_view text);
    // Runs a statement that returns rows; the first row becomes current.
    void Open();
    void Close();
    // Integer value of a field of the current row, by name (case ignored).
    long long FieldAsInteger(std::string_view name) const;
    // Binds text to a named parameter; "" stays "" (never null).
    void SetParam(std::string_view name, std::string_view text);
    // Runs a statement that returns no rows; durable when it returns.
    void ExecSQL();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::store
