#pragma once
// The names of the program's registry values.

namespace fh {

constexpr char kValueSource[] = "source";
constexpr char kValueCurrViewFolder[] = "CurrViewFolder";
constexpr char kValueSiteFilter[] = "siteFilter";
constexpr char kValueDateFilter[] = "dateFilter";
constexpr char kValueSaveSiteFilter[] = "bSaveSiteFilter";
constexpr char kValueSaveDateFilter[] = "bSaveDateFilter";
constexpr char kValueExactDate[] = "exactDate";
constexpr char kValueStartDate[] = "startDate";
constexpr char kValueEndDate[] = "endDate";
constexpr char kValueIeCacheFolder[] = "IECacheFolder";
constexpr char kValueFirefoxProfileFolder[] = "FirefoxProfileFolder";
constexpr char kValueSavePath[] = "SavePath";
constexpr char kValueWindowPlacement[] = "WindowPlacement";
constexpr char kValueSaveUnique[] = "SaveUniqueMovies";

}  // namespace fh
