#pragma once
// Settings of the file list shared by its parts.

// File attributes that listed entries may carry.
enum TFileViewTypeFlag { flvReadOnly = 1, flvHidden = 2, flvSystem = 4 };
inline constexpr int kAllFileViewTypes = flvReadOnly | flvHidden | flvSystem;

// Sort keys; the Inv values sort descending and equal the plain key plus 5.
enum TSortedBy { sbName, sbSize, sbType, sbDate, sbAttr, sbNameInv, sbSizeInv, sbTypeInv, sbDateInv, sbAttrInv };

enum TViewIconStyle { visIcon, visSmallIcon, visList, visReport };
