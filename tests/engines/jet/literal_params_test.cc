// Which literals of a translated statement become parameters, and which stay.
#include "engines/jet/literal_params.h"

#include <gtest/gtest.h>

#include <string>

namespace jet {
namespace {

// The lifted text with its values after it, "|t:" for a text, "|n:" for a
// number; "as written" when nothing is lifted.
std::string Lifted(const std::string& sql) {
  const auto lifted = LiftLiterals(sql);
  if (!lifted) return "as written";
  std::string out = lifted->text;
  for (const LiteralValue& v : lifted->values)
    out += v.is_text ? "|t:" + v.text : "|n:" + std::to_string(v.number);
  return out;
}

TEST(LiteralParamsTest, ConditionLiteralsBecomeParameters) {
  const std::pair<const char*, const char*> cases[] = {
      {"select * from t where x in ('','a''b', 12)  and y <> 'RENT' LIMIT 1",
       "select * from t where x in (?1,?2, ?3)  and y <> ?4 LIMIT 1|t:|t:a'b|n:12|t:RENT"},
      {"select * from t where (n = 1 and c = 'x' and o=-1) or (n = 5)",
       "select * from t where (n = ?1 and c = ?2 and o=-?3) or (n = ?4)|n:1|t:x|n:1|n:5"},
      // Result columns keep their literals; the journal's condition does not.
      {"SELECT '' as a, -1 as e from t inner join p on t.c = p.c and p.k = 'K' where o ='S' "
       "UNION ALL SELECT b, 0 from u where o ='S' ORDER BY a",
       "SELECT '' as a, -1 as e from t inner join p on t.c = p.c and p.k = ?1 where o =?2 "
       "UNION ALL SELECT b, 0 from u where o =?3 ORDER BY a|t:K|t:S|t:S"},
      {"select count(*) as result from (select distinct owner from d where date = 'D') ",
       "select count(*) as result from (select distinct owner from d where date = ?1) |t:D"},
      {"select * from t where a = (select max(b) from u where c = 'x')",
       "select * from t where a = (select max(b) from u where c = ?1)|t:x"},
  };
  for (const auto& [sql, expected] : cases) EXPECT_EQ(Lifted(sql), expected) << sql;
}

TEST(LiteralParamsTest, LiteralsThatNameOrShapeStayAsWritten) {
  const char* const cases[] = {
      "select 'x' as a, 7, 1 + 2 from t",                      // result columns
      "select (select c from u where d = 'x') from t",         // ... at any depth
      "select * from t where a = b order by 1",                // column number
      "select * from t where 'owner'.code = x",                // a text as a name
      "select * from t where code in 'owner'",                 //
      "select * from t where a = b collate 'nocase'",          //
      "select * from t where cast(a as 'integer') = b",        //
      "select * from t where a = x'41'",                       // a blob
      "select * from t where a = 1.5 or b = 1e3 or c = 0x10",  // not whole numbers
      "select * from t where a = 1234567890123456789",         // 19 digits
      "select * from t where a = ?",                           // parameters
      "select * from t where a = 'x' -- 'y'",                  // comments
      "select * from t where a in (values ('x'))",             // not a plain select
      "delete from t where a = 'x'",                           //
      "select * from t where a = 'x",                          // unterminated
      "select * from t where a = (1",                          //
  };
  for (const char* sql : cases) EXPECT_EQ(Lifted(sql), "as written") << sql;
  EXPECT_EQ(Lifted(std::string("select * from t where a = 'x\0y'", 31)), "as written");
}

}  // namespace
}  // namespace jet
