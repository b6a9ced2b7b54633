#include "differences/sequence_alignment.h"

#include <algorithm>

namespace differences {

namespace {

void Add_Match(std::vector<T_Common_Run>& Runs, int A, int B)
{
    if (!Runs.empty()) {
        T_Common_Run& Last = Runs.back();
        if (Last.A_From + Last.Length == A && Last.B_From + Last.Length == B) {
            ++Last.Length;
            return;
        }
    }
    Runs.push_back({A, B, 1});
}

// Myers' greedy search over the diagonals k = x - y; Trace[d] keeps the
// furthest x on diagonals -d..d after d edits, for walking back.
std::optional<std::vector<T_Common_Run>> Myers(const std::uint64_t* A, int N,
                                               const std::uint64_t* B, int M, int Most_Edits)
{
    const int Max = std::min(N + M, Most_Edits);
    std::vector<int> V(std::size_t(2 * Max + 3), 0);
    const auto At = [&](int K) -> int& { return V[std::size_t(K + Max + 1)]; };
    std::vector<std::vector<int>> Trace;
    for (int D = 0; D <= Max; ++D) {
        for (int K = -D; K <= D; K += 2) {
            int X = (K == -D || (K != D && At(K - 1) < At(K + 1))) ? At(K + 1) : At(K - 1) + 1;
            int Y = X - K;
            while (X < N && Y < M && A[X] == B[Y])
                ++X, ++Y;
            At(K) = X;
            if (X >= N && Y >= M) {
                Trace.emplace_back(V.begin() + (Max + 1 - D), V.begin() + (Max + 2 + D));
                // Walk back from the end, collecting the diagonal steps.
                std::vector<std::pair<int, int>> Matches;
                int Cx = N, Cy = M;
                for (int Step = D; Step > 0; --Step) {
                    const std::vector<int>& Before = Trace[std::size_t(Step - 1)];
                    const auto Prior = [&](int Kk) { return Before[std::size_t(Kk + Step - 1)]; };
                    const int Kc = Cx - Cy;
                    const int Kp = (Kc == -Step || (Kc != Step && Prior(Kc - 1) < Prior(Kc + 1)))
                                       ? Kc + 1
                                       : Kc - 1;
                    const int Px = Prior(Kp), Py = Px - Kp;
                    const int Sx = Kp == Kc + 1 ? Px : Px + 1; // where the snake starts
                    while (Cx > Sx)
                        Matches.emplace_back(--Cx, --Cy);
                    Cx = Px;
                    Cy = Py;
                }
                while (Cx > 0 && Cy > 0)
                    Matches.emplace_back(--Cx, --Cy);
                std::vector<T_Common_Run> Runs;
                for (auto It = Matches.rbegin(); It != Matches.rend(); ++It)
                    Add_Match(Runs, It->first, It->second);
                return Runs;
            }
        }
        Trace.emplace_back(V.begin() + (Max + 1 - D), V.begin() + (Max + 2 + D));
    }
    return std::nullopt;
}

} // namespace

std::optional<std::vector<T_Common_Run>> Common_Runs(const std::vector<std::uint64_t>& First,
                                                     const std::vector<std::uint64_t>& Second,
                                                     int Most_Edits)
{
    const int N = int(First.size()), M = int(Second.size());
    int Head = 0;
    while (Head < N && Head < M && First[std::size_t(Head)] == Second[std::size_t(Head)])
        ++Head;
    int Tail = 0;
    while (Tail < N - Head && Tail < M - Head &&
           First[std::size_t(N - 1 - Tail)] == Second[std::size_t(M - 1 - Tail)])
        ++Tail;
    std::optional<std::vector<T_Common_Run>> Middle = Myers(
        First.data() + Head, N - Head - Tail, Second.data() + Head, M - Head - Tail, Most_Edits);
    if (!Middle)
        return std::nullopt;
    std::vector<T_Common_Run> Runs;
    if (Head > 0)
        Runs.push_back({0, 0, Head});
    for (const T_Common_Run& Run : *Middle)
        for (int I = 0; I < Run.Length; ++I)
            Add_Match(Runs, Head + Run.A_From + I, Head + Run.B_From + I);
    for (int I = 0; I < Tail; ++I)
        Add_Match(Runs, N - Tail + I, M - Tail + I);
    return Runs;
}

std::vector<int> Map_Of_Runs(const std::vector<T_Common_Run>& Runs, int First_Count,
                             int Second_Count)
{
    std::vector<int> Map(std::size_t(std::max(First_Count, 0)), -1);
    const auto Pair_Gap = [&](int A_From, int A_To, int B_From, int B_To) {
        for (int Offset = 0; A_From + Offset < A_To && B_From + Offset < B_To; ++Offset)
            Map[std::size_t(A_From + Offset)] = B_From + Offset;
    };
    int A = 0, B = 0;
    for (const T_Common_Run& Run : Runs) {
        Pair_Gap(A, Run.A_From, B, Run.B_From);
        for (int I = 0; I < Run.Length; ++I)
            Map[std::size_t(Run.A_From + I)] = Run.B_From + I;
        A = Run.A_From + Run.Length;
        B = Run.B_From + Run.Length;
    }
    Pair_Gap(A, First_Count, B, Second_Count);
    return Map;
}

} // namespace differences
