#include <gtest/gtest.h>

#include "core/FieldType.h"

using namespace tabulon;

TEST(FieldTypeCodes, NumberingAndNamesFollowTheDatasetLayer) {
    const std::pair<FieldType, const char*> expected[] = {{ftUnknown, "ftUnknown"},   {ftString, "ftString"},
                                                          {ftSmallint, "ftSmallint"}, {ftInteger, "ftInteger"},
                                                          {ftWord, "ftWord"},         {ftBoolean, "ftBoolean"},
                                                          {ftFloat, "ftFloat"},       {ftCurrency, "ftCurrency"},
                                                          {ftBCD, "ftBCD"},           {ftDate, "ftDate"},
                                                          {ftTime, "ftTime"},         {ftDateTime, "ftDateTime"},
                                                          {ftBytes, "ftBytes"},       {ftVarBytes, "ftVarBytes"},
                                                          {ftAutoInc, "ftAutoInc"},   {ftBlob, "ftBlob"},
                                                          {ftMemo, "ftMemo"},         {ftGraphic, "ftGraphic"},
                                                          {ftFmtMemo, "ftFmtMemo"},   {ftParadoxOle, "ftParadoxOle"},
                                                          {ftDBaseOle, "ftDBaseOle"}, {ftTypedBinary, "ftTypedBinary"},
                                                          {ftCursor, "ftCursor"}};
    for (int code = 0; code < kFieldTypeCount; ++code) {
        EXPECT_EQ(static_cast<int>(expected[code].first), code);
        EXPECT_EQ(fieldTypeName(expected[code].first), expected[code].second);
        EXPECT_EQ(fieldTypeFromName(expected[code].second), expected[code].first);
    }
    EXPECT_EQ(fieldTypeName(static_cast<FieldType>(99)), "ftUnknown");
    EXPECT_EQ(fieldTypeFromName("ftNothing"), ftUnknown);
}

TEST(FieldTypeCodes, TableTypesAndIndexOptionBits) {
    EXPECT_EQ(ttDefault, 0);
    EXPECT_EQ(ttParadox, 1);
    EXPECT_EQ(ttDBase, 2);
    EXPECT_EQ(ttASCII, 3);
    EXPECT_EQ(ixPrimary, 1);
    EXPECT_EQ(ixUnique, 2);
    EXPECT_EQ(ixDescending, 4);
    EXPECT_EQ(ixCaseInsensitive, 8);
    EXPECT_EQ(ixExpression, 16);
}

TEST(FieldTypeCodes, BlobTypesAreTheOnesKeptOutsideTheRecord) {
    for (FieldType t : {ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary})
        EXPECT_TRUE(isBlobType(t)) << fieldTypeName(t);
    for (FieldType t : {ftString, ftBytes, ftVarBytes, ftBCD, ftDateTime})
        EXPECT_FALSE(isBlobType(t)) << fieldTypeName(t);
}
