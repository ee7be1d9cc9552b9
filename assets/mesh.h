// Triangle meshes read from Wavefront OBJ text, and the one shared reader.
#pragma once

#include <cstdint>
#include <string>

// One triangle: 0-based indices into a Mesh's arrays for corners 0, 1, 2.
struct Face {
    int32_t vertex[3];   // into Mesh::vertices
    int32_t normal[3];   // into Mesh::normals
    int32_t texCoord[3]; // into Mesh::texCoords
};

// A value type owning its four arrays, each allocated with exactly its count. Coordinates are
// in the file's world units, y up. Every index in `faces` is within its array (the reader
// refuses files where it would not be).
class Mesh {
  public:
    int32_t vertexCount = 0;    // positions
    int32_t normalCount = 0;    // normals
    int32_t texCoordCount = 0;  // texture coordinates
    int32_t faceCount = 0;      // triangles
    float* vertices = nullptr;  // vertexCount x (x, y, z)
    float* normals = nullptr;   // normalCount x (x, y, z), as read (not normalised)
    float* texCoords = nullptr; // texCoordCount x (u, -v): v negated for top-row-first images
    Face* faces = nullptr;      // faceCount triangles, in file order

    Mesh() = default;
    ~Mesh();
    Mesh(const Mesh& other);            // deep copy
    Mesh& operator=(const Mesh& other); // releases this mesh's arrays, then deep copy

    // Reads the OBJ file at `path` through objReader and makes this mesh a deep copy of the
    // result, releasing what it held. Does not return when the file cannot be opened or lies
    // outside the understood subset (message on standard error, status 1).
    void load(const char* path);
};

// Reads the OBJ subset below into a Mesh held on the heap until the next read.
//
//   line     = normal | texcoord | position | face | other
//   normal   = "vn" ws x ws y ws z
//   texcoord = "vt" ws u ws v [ws w]          (w is not read)
//   position = "v" ... ws x ws y ws z [ws w]  (any line starting with "v", e.g. "vp")
//   face     = "f" ... ws ref ws ref ws ref {ws ref}   (only the first three refs are used)
//   ref      = p "/" t "/" n                  (1-based, each 1..count of its kind)
//   other    = anything else, skipped (comments, o, g, s, mtllib, usemtl, blank, indented)
//
// Numbers are read as atof / atoi do (leading numeric part, otherwise 0). A face line that
// breaks the ref rules ends the process with one line on standard error naming the file, the
// 1-based line number and the reason, status 1.
class ObjReader {
  public:
    std::string* path = nullptr; // path of the last read; owned
    Mesh* mesh = nullptr;        // mesh built by the last read; owned

    ObjReader() = default;
    ~ObjReader(); // clear()
    ObjReader(const ObjReader&) = delete;
    ObjReader& operator=(const ObjReader&) = delete;

    // Replaces the held path and mesh by a fresh read of `path`. Does not return on failure:
    // "Unable to open obj-file \"<path>\".\n" on standard error and status 1 for a file that
    // cannot be opened; the line message above for a file outside the subset.
    void read(std::string path);
    // The two passes over *path into *mesh: count the lines of each kind, size the arrays
    // exactly, then fill them.
    void parse();
    // Deletes the held path and mesh.
    void clear();
    // A deep copy of the held mesh (an empty mesh before the first read).
    Mesh getMesh() const;
};

// The shared reader behind Mesh::load. Not re-entrant; keeps the last mesh until exit.
extern ObjReader objReader;

// Queues the reading of the OBJ file at `path` on the prefetch thread (platform/prefetch.h),
// so that a later read of the same path (Mesh::load) takes the parsed mesh instead of reading
// the file. That read behaves exactly as without the prefetch: the reader then holds the path
// and the mesh, and a file it cannot read ends the process with the same line.
void prefetchObj(const char* path);
