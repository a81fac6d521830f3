#pragma once
// The FGD/KKJ source scan: for one layer tree and one reading pass, finds the
// source files of every selected group, keeps those of the current tile's
// secondary meshes and runs the group's readers on them. With pass flag 0 it
// only counts the files for the progress display.

#include <string>
#include <string_view>

namespace velkaro {

struct JobContext;
struct LayerTree;
struct LayerGroup;
struct ScanContext;

// Counting pass (passFlag 0): adds the number of source files of every group
// that is on to job.fileCount. Draw pass (passFlag 1): opens the scratch file
// of every selected child and runs the readers whose bit is in both the
// group's reader mask and passMask. An abort (job.runFlag cleared) closes and
// deletes the scratch files of the group being read and ends the scan.
void scanTree(JobContext& job, LayerTree& tree, const std::string& folder, int passFlag,
              int passMask);

// The same draw pass with the caller's ScanContext, which keeps the last
// group's setup afterwards.
void scanTree(JobContext& job, LayerTree& tree, const std::string& folder, int passFlag,
              int passMask, ScanContext& scan);

// The mesh code of a source file: the 7 characters that end one character
// before the first occurrence of the element name in the file's name (without
// folders), e.g. "-533946" for FG-GML-533946-WL-20161001-0001.xml. Empty when
// the name does not contain the element name far enough in.
std::string_view MeshCodeOfFile(std::string_view path, std::string_view elementName);

// The wildcard of a group's source files: "*" + element name + "*.xml".
std::string SourcePattern(std::string_view elementName);

}  // namespace velkaro
